#include "app/Program.h"

#include "masters/Register.h"
#include "orders/PaymentRegister.h"
#include "orders/Register.h"
#include "preview/Register.h"
#include "printing/Register.h"
#include "reports/SelectionDialogs.h"
#include "viewers/Register.h"

namespace app {

void registerSubsystems() {
    orders::registerPaymentWindows();
    orders::registerWindows();
    masters::registerWindows();
    preview::registerCommands();
    printing::registerCommands();
    reports::registerSelectionDialogs();
    viewers::registerWindows();
}

} // namespace app
