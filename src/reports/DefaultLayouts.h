// The built-in layout of every report, used when its layout file is missing, empty or invalid, and
// written out as the layout files installed beside the program.
#pragma once

#include "core/AppState.h"

#include <QString>

namespace reports {

// The built-in layout text of a report kind in normal form (every line ended by CR, the text by LF).
QString DefaultLayoutText(int kind);
// Number of lines (= tokens) of that layout.
int DefaultLayoutLines(int kind);

// Shows the report's "default layout" message and puts its built-in layout into text.
void SetDefaultFrmt(int kind, QString& text);
// The same for a layout file saved as UTF-8: the message says so.
void SetDefaultFrmtForUtf8(int kind, QString& text);

// One routine per report, each for its own entry of gFrmtText.
void SetDefaultFrmtComm(core::AppState& s);
void SetDefaultFrmtCli(core::AppState& s);
void SetDefaultFrmtEmp(core::AppState& s);
void SetDefaultFrmtRecG(core::AppState& s);
void SetDefaultFrmtRecD(core::AppState& s);
void SetDefaultFrmtInfA(core::AppState& s);
void SetDefaultFrmtInfM(core::AppState& s);
void SetDefaultFrmtInfC(core::AppState& s);
void SetDefaultFrmtInfS(core::AppState& s);
void SetDefaultFrmtLack(core::AppState& s);
void SetDefaultFrmtGetD(core::AppState& s);
void SetDefaultFrmtGetY(core::AppState& s);
void SetDefaultFrmtInv(core::AppState& s);
void SetDefaultFrmtCncl(core::AppState& s);

} // namespace reports
