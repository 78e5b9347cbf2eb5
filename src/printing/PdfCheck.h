// Whether a PDF the printer wrote is whole. The PDF writer keeps no error of its own when a write fails
// (a full disk, a file-size limit): the file simply stops, or has a hole. The cross-reference table at
// its end names where every object starts, so bytes missing anywhere move an object off its place.
#pragma once

#include <QByteArray>
#include <QString>

namespace printing {

// The bytes begin as a PDF, end with "%%EOF", and every object the cross-reference table lists starts
// where the table says.
bool isWholePdf(const QByteArray& bytes);

// The file at path is on the disk (fsync) and whole; false when it cannot be read or synced.
bool pdfFileIsWhole(const QString& path);

} // namespace printing
