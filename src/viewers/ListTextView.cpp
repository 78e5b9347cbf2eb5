#include "viewers/ListTextView.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace viewers {

ListTextView::ListTextView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Base);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    clear();
}

// One pass over the text for the line starts and the widest line; a list of half a million lines
// passes in a fraction of a second.
void ListTextView::setText(const QString& text) {
    text_ = text;
    starts_.clear();
    widest_ = 0;
    const char16_t* p = reinterpret_cast<const char16_t*>(text_.constData());
    const qsizetype n = text_.size();
    qsizetype start = 0;
    int cells = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c == u'\r' && i + 1 < n && p[i + 1] == u'\n') {
            starts_.push_back(start);
            widest_ = std::max(widest_, cells);
            cells = 0;
            start = ++i + 1;
            continue;
        }
        // The display width of the character: one cell for single-byte and half-width kana, else two.
        cells += (c >= 1 && c <= 255) || (c >= 0xFF61 && c <= 0xFF9F) ? 1 : 2;
    }
    starts_.push_back(start); // the line after the last line end, empty for a finished list
    widest_ = std::max(widest_, cells);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    updateScrollBars();
    viewport()->update();
}

QStringView ListTextView::line(int i) const {
    const qsizetype start = starts_[size_t(i)];
    const qsizetype end = size_t(i) + 1 < starts_.size() ? starts_[size_t(i) + 1] - 2 : text_.size();
    return QStringView(text_).mid(start, end - start);
}

QString ListTextView::toPlainText() const {
    QString t = text_;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (t.endsWith(QLatin1Char('\n')))
        t.chop(1);
    return t;
}

int ListTextView::lineHeight() const { return std::max(1, QFontMetrics(font()).lineSpacing()); }

int ListTextView::cellWidth() const { return std::max(1, QFontMetrics(font()).horizontalAdvance(QLatin1Char('0'))); }

void ListTextView::updateScrollBars() {
    const int rows = std::max(1, viewport()->height() / lineHeight());
    verticalScrollBar()->setRange(0, std::max(0, lineCount() - rows));
    verticalScrollBar()->setPageStep(rows);
    verticalScrollBar()->setSingleStep(1);
    const int width = widest_ * cellWidth() + cellWidth();
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(cellWidth());
}

void ListTextView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.setFont(font());
    p.setPen(palette().color(QPalette::Text));
    const QFontMetrics fm(font());
    const int h = lineHeight();
    const int first = verticalScrollBar()->value();
    const int last = std::min(lineCount() - 1, first + viewport()->height() / h + 1);
    const int x = -horizontalScrollBar()->value();
    for (int i = first; i <= last; ++i)
        p.drawText(QPoint(x, (i - first) * h + fm.ascent()), line(i).toString());
}

void ListTextView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    updateScrollBars();
}

void ListTextView::changeEvent(QEvent* e) {
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange)
        updateScrollBars();
}

} // namespace viewers
