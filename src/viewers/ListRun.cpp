#include "viewers/ListRun.h"

#include "db/OleDate.h"
#include "os/LargeBuffers.h"

namespace viewers {

namespace {
const QString kNoSep;
const QString kCrLf = QStringLiteral("\r\n");
} // namespace

// One date for the whole run: every invoice of a list shows the same day, and the clock is read once.
ListRun::ListRun(core::AppState& a, int k, Mode mode, std::function<void()> yield)
    : app(a), rs(reports::reportState(a)), kind(k), mode_(mode), yield_(std::move(yield)), today_(rs.today) {
    rs.today = [day = today_()] { return day; };
}

ListRun::~ListRun() { rs.today = std::move(today_); }

ListStore& ListRun::store() {
    if (!store_)
        store_ = std::make_unique<ListStore>(app.gDbPath);
    return *store_;
}

int ListRun::condYear() const { return app.gViewCondYear[size_t(kind)]; }
int ListRun::condMonth() const { return app.gViewCondMonth[size_t(kind)]; }
QString ListRun::condCode() const { return app.gViewCondCode[size_t(kind)]; }

bool ListRun::inPeriod(double orderDate) const {
    const int y = condYear();
    if (y == 0)
        return true;
    const QDate d = db::dateFromOle(orderDate);
    return d.year() == y && (condMonth() == 0 || d.month() == condMonth());
}

void ListRun::show(const QString& text) {
    if (building())
        shown_.appendText(text);
}

void ListRun::showRendered(Renderer render) {
    if (building())
        render(rs, shown_, kNoSep, false);
}

void ListRun::render(Renderer r) {
    if (building())
        r(rs, line_, kNoSep, false);
}

// The shown text and the waiting line become the start of the list, which then grows in the line buffer
// itself: records are rendered straight into the list, and the whole text is never copied at the end.
void ListRun::startList() {
    QString list = shown_.take();
    sizeAtList_ = list.size();
    list += line_.text();
    line_.text() = std::move(list);
    listing_ = true;
    rowsBeforeList_ = rowsDone_;
}

void ListRun::expectRows(ListTable table) {
    if (building()) expected_ = store().rowCount(table);
}

void ListRun::rowDone() {
    ++rowsDone_;
    if (!building() || reserved_ || !listing_) return;
    reserved_ = true;
    QString& text = line_.text();
    const qint64 perRow = (text.size() - sizeAtList_) / std::max<qint64>(1, rowsDone_ - rowsBeforeList_) + 2;
    const qint64 room = text.size() + (expected_ - rowsDone_) * perRow * 9 / 8;
    if (room > text.capacity() && room < kMostRoom) {
        text.reserve(qsizetype(room));
        os::preferLargePages(text.data(), std::size_t(text.capacity()) * sizeof(QChar));
    }
}

void ListRun::flush() {
    if (!building())
        return;
    if (!listing_)
        startList();
    line_.text() += kCrLf;
}

void ListRun::listShownOnly(Renderer r) {
    if (!building())
        return;
    r(rs, line_, kNoSep, false);
    countListed();
}

void ListRun::listUnchanging(Renderer r) {
    if (!building())
        return;
    QString& text = line_.text();
    if (unchanging_ != r) {
        const qsizetype from = text.size();
        r(rs, line_, kNoSep, false);
        unchanging_ = r;
        unchangingText_ = text.mid(from);
    } else {
        text += unchangingText_;
    }
    countListed();
}

void ListRun::countListed() {
    flush();
    ++count_;
    app.gProgressCount = count_;
    if (yield_ && (!sinceYield_.isValid() || sinceYield_.elapsed() >= kYieldMs)) {
        yield_();
        sinceYield_.start();
    }
}

QString ListRun::takeResult() {
    if (!building())
        return std::exchange(fileText_, QString());
    if (!listing_)
        return shown_.take();
    listing_ = false;
    return line_.take();
}

} // namespace viewers
