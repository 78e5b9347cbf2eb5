// The shown list: a read-only view that draws only the lines on screen from the list text itself, so a
// list of hundreds of thousands of lines costs its text and one offset per line, and shows at once.
#pragma once

#include <QAbstractScrollArea>
#include <QHash>
#include <QString>
#include <vector>

class QPainter;

namespace viewers {

class ListTextView : public QAbstractScrollArea {
public:
    explicit ListTextView(QWidget* parent = nullptr);

    // The text, lines ended by CR LF; the view shares it, it does not copy it.
    void setText(const QString& text);
    void clear() { setText(QString()); }
    const QString& text() const { return text_; }
    // The text as a plain text box gives it: LF line ends, no line end after the last line (a copy).
    QString toPlainText() const;

    int lineCount() const { return int(starts_.size()); }
    // Line i without its line end.
    QStringView line(int i) const;
    // The widest line in character cells (a cell per CP932 byte).
    int widestLine() const { return widest_; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void updateScrollBars();
    int lineHeight() const;
    int cellWidth() const;

    void drawLine(QPainter& p, int x, int y, QStringView line);
    // Whether the glyph of the character takes exactly its cells (cached per character).
    bool fitsCells(QStringView ch, int cells, qreal cell);

    QString text_;
    QHash<char32_t, bool> fits_;
    std::vector<qsizetype> starts_; // where each line begins in text_
    int widest_ = 0;
};

} // namespace viewers
