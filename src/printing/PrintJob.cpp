#include "printing/PrintJob.h"

#include "reports/Layout.h"

namespace printing {

using namespace reports;

int CheckLayout(const QString& text, PrintJob& job) {
    job.status = kLayoutError;
    int pos = 1;
    QString sval;
    int nval = 0;
    bool first = true;
    const auto next = [&] {
        nval = 0;
        const int before = first ? 1 : pos;
        int kind = FrmtNextToken(text, first, pos, sval, nval);
        first = false;
        // A line that is no token is skipped; a walk that cannot move on has reached the end.
        if (kind == kTokError) {
            FrmtSkipLine(text, pos);
            if (pos <= before || pos > text.size())
                kind = kTokEnd;
        }
        return kind;
    };

    int kind = next();
    while (kind != kTokMaxLine && kind != kTokEnd)
        kind = next();
    if (kind == kTokEnd)
        return job.status;
    // A MAXLINE= without digits gives no capacity.
    job.pageCapacity = nval < 0 ? 0 : nval;

    do
        kind = next();
    while (kind != kTokHeader && kind != kTokEnd);
    if (kind == kTokEnd)
        return job.status;

    job.headerItems.clear();
    for (kind = next(); kind != kTokData; kind = next()) {
        if (kind == kTokEnd)
            return job.status;
        if (kind >= kTokFontSize && kind <= kTokHeaderText)
            job.headerItems.push_back({kind, sval, nval});
    }
    if (job.headerItems.empty())
        return job.status;

    job.dataItems.clear();
    for (kind = next(); kind != kTokEnd; kind = next())
        if (kind >= kTokFontSize && kind <= kTokFormat)
            job.dataItems.push_back({kind, sval, nval});
    if (job.dataItems.empty())
        return job.status;

    job.status = kReady;
    return job.status;
}

} // namespace printing
