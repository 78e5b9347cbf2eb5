#include "viewers/ListTextView.h"

#include "text/Cp932.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace viewers {

ListTextView::ListTextView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Base);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    clear();
}

// One pass over the text for the line starts and the widest line: line ends are found by a fast search,
// each line's width in one call, so a list of half a million lines passes in a fraction of a second.
void ListTextView::setText(const QString& text) {
    text_ = text;
    starts_.clear();
    widest_ = 0;
    const QStringView all(text_);
    qsizetype start = 0;
    qsizetype from = 0;
    for (;;) {
        const qsizetype cr = all.indexOf(QLatin1Char('\r'), from);
        if (cr < 0) break;
        if (cr + 1 >= all.size() || all[cr + 1] != QLatin1Char('\n')) {
            from = cr + 1; // a CR alone stays in its line
            continue;
        }
        starts_.push_back(start);
        // Its CP932 bytes, the width the layouts pad by.
        widest_ = std::max(widest_, text::displayWidth(all.mid(start, cr - start)));
        start = from = cr + 2;
    }
    starts_.push_back(start); // the line after the last line end, empty for a finished list
    widest_ = std::max(widest_, text::displayWidth(all.mid(start)));
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
    QFont f = font();
    f.setKerning(false); // a run must advance exactly as its characters' cells
    p.setFont(f);
    p.setPen(palette().color(QPalette::Text));
    const QFontMetrics fm(font());
    const int h = lineHeight();
    const int first = verticalScrollBar()->value();
    const int last = std::min(lineCount() - 1, first + viewport()->height() / h + 1);
    const int x = -horizontalScrollBar()->value();
    for (int i = first; i <= last; ++i)
        drawLine(p, x, (i - first) * h + fm.ascent(), line(i));
}

// Each character starts in the cell its CP932 bytes put it in. Runs of characters whose glyphs already
// take their cells are drawn in one call; a glyph that does not (a face without it, a proportional
// glyph) is drawn alone at its own cell.
void ListTextView::drawLine(QPainter& p, int x, int y, QStringView line) {
    const qreal cell = QFontMetricsF(font()).horizontalAdvance(QLatin1Char('0'));
    qsizetype runStart = 0;
    int runCells = 0; // cells before the run
    int cells = 0;
    auto flush = [&](qsizetype end) {
        if (end > runStart)
            p.drawText(QPointF(x + runCells * cell, y), line.mid(runStart, end - runStart).toString());
    };
    for (qsizetype i = 0; i < line.size();) {
        const int size = text::charSize(line, i);
        const QStringView ch = line.mid(i, size);
        const int w = text::displayWidth(ch);
        if (!fitsCells(ch, w, cell)) {
            flush(i);
            p.drawText(QPointF(x + cells * cell, y), ch.toString());
            runStart = i + size;
            runCells = cells + w;
        }
        cells += w;
        i += size;
    }
    flush(line.size());
}

bool ListTextView::fitsCells(QStringView ch, int cells, qreal cell) {
    if (ch.size() == 1 && ch[0].unicode() >= 0x20 && ch[0].unicode() < 0x7F)
        return true; // the face is fixed-pitch for ASCII
    const char32_t key = ch.size() == 2 ? QChar::surrogateToUcs4(ch[0], ch[1]) : char32_t(ch[0].unicode());
    auto found = fits_.constFind(key);
    if (found == fits_.constEnd())
        found = fits_.insert(key, std::abs(QFontMetricsF(font()).horizontalAdvance(ch.toString()) - cells * cell) < 0.01);
    return *found;
}

void ListTextView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    updateScrollBars();
}

void ListTextView::changeEvent(QEvent* e) {
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        fits_.clear();
        updateScrollBars();
    }
}

} // namespace viewers
