#include <gtest/gtest.h>

#include "app/object_types.h"

using namespace qv;

TEST(ObjectTypes, KeywordToCodeIgnoresCaseButNotBlanks)
{
    for (const char* k : {"table", "Table", "TABLE"})
        EXPECT_EQ(GetObjectTypeCode(k), 45) << k;
    EXPECT_EQ(GetObjectTypeCode(" TABLE"), 255);
    EXPECT_EQ(GetObjectTypeCode("TABLESPACE"), 69);
    EXPECT_EQ(GetObjectTypeCode("FILEGROUP"), 255);
    EXPECT_EQ(GetObjectTypeCode("FILE"), 255);
    EXPECT_EQ(GetObjectTypeCode("index partition"), 74);
    EXPECT_EQ(GetObjectTypeCode(""), 255);
}

TEST(ObjectTypes, CodeToKeywordAndBack)
{
    for (int code : {1, 2, 4, 45, 46, 47, 51, 52, 57, 58, 60, 66, 68, 73, 74, 97, 117, 120})
        EXPECT_EQ(GetObjectTypeCode(GetObjectTypeName(code)), code) << code;
    const struct {
        int code, back;
    } folded[] = {{116, 1}, {118, 1}, {3, 2}, {125, 4}, {126, 4}, {119, 120}, {69, 255}, {71, 255}};
    for (const auto& f : folded)
        EXPECT_EQ(GetObjectTypeCode(GetObjectTypeName(f.code)), f.back) << f.code;
    for (int code : {0, 5, 44, 255, 137, -1})
        EXPECT_EQ(GetObjectTypeName(code), QString()) << code;
    EXPECT_EQ(GetObjectTypeName(69), "FILEGROUP");
}

TEST(ObjectTypes, XTypes)
{
    const struct {
        const char* xtype;
        int code;
        const char* name;
    } cases[] = {
        {"U", 45, "TABLE"},      {" u ", 45, "TABLE"},     {"S", 45, "TABLE"},
        {"v", 47, "VIEW"},       {"IX", 46, "INDEX"},      {"K", 255, ""},
        {"PK", 66, "CONSTRAINT"}, {"D", 66, "CONSTRAINT"}, {"UQ", 66, "CONSTRAINT"},
        {"X", 51, "PROCEDURE"},  {"RF", 51, "PROCEDURE"},  {"PC", 255, "PROCEDURE"},
        {"TF", 52, "FUNCTION"},  {"FS", 255, "FUNCTION"},  {"FT", 255, "FUNCTION"},
        {"TR", 57, "TRIGGER"},   {"TA", 255, "TRIGGER"},   {"SO", 58, "SEQUENCE"},
        {"SN", 60, "SYNONYM"},   {"SQ", 255, "QUEUE"},     {"IT", 255, "INNER TABLE"},
        {"R", 255, "RULE"},      {"ZZ", 255, ""},          {"", 255, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(XTypeToObjectType(c.xtype), c.code) << c.xtype;
        EXPECT_EQ(XTypeToTypeName(c.xtype), QString(c.name)) << c.xtype;
    }
}

TEST(ObjectTypes, XTypeListsReplaceTheListContent)
{
    QStringList list = {"old"};
    GetXTypeList(66, list);
    EXPECT_EQ(list, QStringList({"K", "PK", "F", "C", "D", "UQ"}));
    GetXTypeList(45, list);
    EXPECT_EQ(list, QStringList({"U", "S"}));
    GetXTypeList(51, list);
    EXPECT_EQ(list, QStringList({"P", "RF", "X"}));
    GetXTypeList(1, list);
    EXPECT_TRUE(list.isEmpty());
}
