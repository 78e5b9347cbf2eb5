#include "printing/PdfCheck.h"

#include <QFile>
#include <unistd.h>

namespace printing {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '\f'; }

// A reader over the bytes that skips white space before each token.
class Scanner {
public:
    Scanner(const QByteArray& b, qsizetype at) : b_(b), at_(at) {}
    qsizetype at() const { return at_; }
    void skipSpace() {
        while (at_ < b_.size() && isSpace(b_[at_]))
            ++at_;
    }
    bool word(const char* w) {
        skipSpace();
        const QByteArray want(w);
        if (b_.mid(at_, want.size()) != want)
            return false;
        at_ += want.size();
        return true;
    }
    bool number(qint64& n) {
        skipSpace();
        const qsizetype start = at_;
        while (at_ < b_.size() && b_[at_] >= '0' && b_[at_] <= '9' && at_ - start < 12)
            ++at_;
        if (at_ == start)
            return false;
        n = b_.mid(start, at_ - start).toLongLong();
        return true;
    }
    bool letter(char& c) {
        skipSpace();
        if (at_ >= b_.size())
            return false;
        c = b_[at_++];
        return true;
    }

private:
    const QByteArray& b_;
    qsizetype at_;
};

// "<number> <generation> obj" starts at offset.
bool objectAt(const QByteArray& b, qint64 offset, qint64 number) {
    if (offset < 0 || offset >= b.size())
        return false;
    Scanner s(b, qsizetype(offset));
    qint64 n = -1, gen = -1;
    return s.number(n) && n == number && s.number(gen) && s.word("obj");
}

} // namespace

bool isWholePdf(const QByteArray& bytes) {
    if (!bytes.startsWith("%PDF-"))
        return false;
    const QByteArray tail = bytes.right(1024);
    if (!tail.trimmed().endsWith("%%EOF"))
        return false;
    const qsizetype mark = bytes.lastIndexOf("startxref");
    if (mark < 0)
        return false;
    Scanner end(bytes, mark + 9);
    qint64 xref = -1;
    if (!end.number(xref) || !end.word("%%EOF") || xref <= 0 || xref >= mark)
        return false;

    Scanner s(bytes, qsizetype(xref));
    if (!s.word("xref"))
        return false;
    int listed = 0;
    // Subsections "first count", each followed by count entries "offset generation n|f".
    for (;;) {
        if (s.word("trailer"))
            break;
        qint64 first = -1, count = -1;
        if (!s.number(first) || !s.number(count) || count < 0 || count > (mark - s.at()) / 18)
            return false;
        for (qint64 i = 0; i < count; ++i) {
            qint64 offset = -1, gen = -1;
            char use = 0;
            if (!s.number(offset) || !s.number(gen) || !s.letter(use))
                return false;
            if (use == 'n') {
                if (offset >= xref || !objectAt(bytes, offset, first + i))
                    return false;
                ++listed;
            } else if (use != 'f') {
                return false;
            }
        }
    }
    return listed > 0;
}

bool pdfFileIsWhole(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    // What the disk refuses late (a full disk under delayed allocation) shows here.
    if (::fsync(f.handle()) != 0)
        return false;
    const qint64 size = f.size();
    const QByteArray bytes = f.readAll();
    return f.error() == QFileDevice::NoError && bytes.size() == size && isWholePdf(bytes);
}

} // namespace printing
