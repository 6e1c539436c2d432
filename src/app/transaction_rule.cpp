#include "app/transaction_rule.h"

#include "app/connection_window_iface.h"
#include "app/options.h"

#include <exception>

namespace qv {

void CommitOpenTransaction(IConnectionWindow* conn)
{
    if (!conn)
        return;
    try {
        conn->Commit(); // commits only an open transaction
    } catch (const std::exception&) {
    }
}

void StartTransactionWhenAuto(IConnectionWindow* conn)
{
    if (!conn || !qvOption.AutoTran)
        return;
    try {
        conn->StartTransaction(); // starts one only when none is open
    } catch (const std::exception&) {
    }
}

} // namespace qv
