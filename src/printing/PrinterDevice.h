// The platform printer as a print device: the default print queue, or a PDF file when the machine has
// none. The document is begun with the first thing drawn, so a print that draws nothing leaves no job.
#pragma once

#include "printing/PrintCommands.h"

namespace printing {

std::unique_ptr<PrintDevice> OpenPrinterDevice(const QString& documentName);

} // namespace printing
