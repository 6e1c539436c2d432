#pragma once
// ODBC SQL type codes, with the SQL Server driver's own codes for types that standard ODBC lacks.
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#ifndef SQL_SS_VARIANT
#define SQL_SS_VARIANT (-150)
#endif
#ifndef SQL_SS_XML
#define SQL_SS_XML (-152)
#endif
#ifndef SQL_SS_TIME2
#define SQL_SS_TIME2 (-154)
#endif
#ifndef SQL_SS_TIMESTAMPOFFSET
#define SQL_SS_TIMESTAMPOFFSET (-155)
#endif
