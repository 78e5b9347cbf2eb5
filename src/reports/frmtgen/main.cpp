// Writes the built-in layouts as the layout files installed beside the program (CP932, CR LF).
#include "reports/DefaultLayouts.h"
#include "reports/ReportKind.h"
#include "text/AnsiFile.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: varnox_frmtgen FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (int kind = 1; kind <= reports::kReportCount; ++kind) {
        QString text = reports::DefaultLayoutText(kind);
        text.chop(1); // the LF that ends the text in memory
        text.replace(QLatin1Char('\r'), QStringLiteral("\r\n"));
        const QString path = folder.filePath(reports::LayoutFileName(kind));
        text::AnsiWriter out(path);
        if (!out.isOpen()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        out.write(text);
        if (!out.close())
            return 1;
    }
    return 0;
}
