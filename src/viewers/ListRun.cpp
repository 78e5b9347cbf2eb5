#include "viewers/ListRun.h"

#include "db/OleDate.h"

namespace viewers {

namespace {
const QString kNoSep;
const QString kCrLf = QStringLiteral("\r\n");
} // namespace

ListRun::ListRun(core::AppState& a, int k, Mode mode, std::function<void()> yield)
    : app(a), rs(reports::reportState(a)), kind(k), mode_(mode), yield_(std::move(yield)) {}

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

void ListRun::flush() {
    if (!building())
        return;
    listText_ += line_.text();
    listText_ += kCrLf;
    line_.clear();
}

void ListRun::list(Renderer r, const std::function<void(QString&)>& tab) {
    found_ = true;
    if (!building()) {
        tab(fileText_);
        return;
    }
    listShownOnly(r);
}

void ListRun::listShownOnly(Renderer r) {
    if (!building())
        return;
    r(rs, line_, kNoSep, false);
    flush();
    ++count_;
    app.gProgressCount = count_;
    if (yield_)
        yield_();
}

QString ListRun::takeResult() {
    if (!building())
        return std::exchange(fileText_, QString());
    QString t = shown_.take();
    t += listText_;
    listText_.clear();
    return t;
}

} // namespace viewers
