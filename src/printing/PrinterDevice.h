// The platform printer as a print device, set up as the page set-up says: the chosen print queue, or a
// PDF file when the machine has none. The document is begun with the first thing drawn, so a print that
// draws nothing leaves no job; a PDF is written beside its final name and takes that name only once it
// is on the disk and whole (its end and every object where its table says), so a failed print leaves an
// earlier file as it was. A PDF gets the mode the user's umask gives a new file.
#pragma once

#include "printing/PrintCommands.h"

namespace printing {

std::unique_ptr<PrintDevice> OpenPrinterDevice(const QString& documentName);

} // namespace printing
