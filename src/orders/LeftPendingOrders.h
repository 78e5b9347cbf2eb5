// Pending order rows no window holds any more: one whose window could not remove it because another
// program held the file, and any a killed program left. No list shows them (core::kNotPendingOrder); they go
// at the next chance.
#pragma once

#include "orders/OrderStore.h"

#include <QString>
#include <vector>

namespace orders {

// Remembers the row for removal once the file is free: looked at every few seconds, and by the next order
// window. A file replaced meanwhile (a reset, a restore) forgets it.
void leavePendingOrder(const QString& dbPath, const HeldOrder& order);
// The rows left on the file, for the order window to remove in the write that takes its own number;
// forgotten once that write is done.
std::vector<HeldOrder> leftPendingOrders(const QString& dbPath);
void forgetLeftPendingOrders(const QString& dbPath, const std::vector<HeldOrder>& orders);
// Removes what it can now, without waiting for a busy file; never throws.
void removeLeftPendingOrders();
bool anyLeftPendingOrders();

// When nobody else has the file open (no other program holds its use lock, nor a window of ours): every
// pending row goes, also one a killed program left. Otherwise only the rows this program left. Never waits
// for a busy file, never throws. For ＤＢオープン and the opening of the order window.
void removeAbandonedPendingOrders(const QString& dbPath);

} // namespace orders
