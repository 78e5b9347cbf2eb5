// Report text widths from the per-character advances against the device's own measure of the whole
// text: every character CP932 can hold, alone and in generated lines, at the sizes reports are drawn in,
// on a preview picture and on the printer the print commands use.
#include "print/PageSetup.h"
#include "print/TextMetrics.h"
#include "text/Cp932.h"

#include <QImage>
#include <QPdfWriter>
#include <QPrinter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Every character CP932 can hold, in code order (single bytes, then every valid double-byte code).
QString cp932Characters() {
    QString all;
    for (int b = 0x20; b < 0x7F; ++b)
        all += QChar(b);
    for (int b = 0xA1; b <= 0xDF; ++b)
        all += text::fromCp932(QByteArray(1, char(b)));
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!text::isLeadByte(static_cast<unsigned char>(lead))) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            try {
                QByteArray code;
                code.append(char(lead)).append(char(trail));
                const QString c = text::fromCp932(code);
                if (c.size() == 1 && c[0] != QChar::ReplacementCharacter) all += c;
            } catch (const text::EncodingError&) {
            }
        }
    }
    return all;
}

QImage previewPicture() {
    QImage image(800, 1100, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780); // 96 dpi, as the preview's pages
    image.setDotsPerMeterY(3780);
    return image;
}

bool perCharSize(double size) {
    return size == 4 || size == 9 || size == 12;
}

struct Device {
    const char* name;
    QPaintDevice* device;
};

TEST(TextMetrics, AddedAdvancesEqualTheDevicesMeasureOfTheWholeText) {
    const QString chars = cp932Characters();
    ASSERT_GT(chars.size(), 7000);
    QTemporaryDir dir;
    QImage picture = previewPicture();
    QPrinter printer(QPrinter::HighResolution);
    print::PageSetup::current().applyTo(printer);
    printer.setOutputFileName(dir.filePath(QStringLiteral("p.pdf")));
    QPdfWriter writer(dir.filePath(QStringLiteral("w.pdf")));
    writer.setResolution(1200);
    const Device devices[] = {{"preview picture", &picture}, {"printer", &printer}, {"pdf writer", &writer}};
    // The layouts' sizes scaled to a preview page, and sizes a fitted line shrinks to.
    const double sizes[] = {1, 4, 7.35, 9, 12, 15};

    QRandomGenerator rng(24);
    QStringList lines;
    for (int i = 0; i < 400; ++i) {
        QString line;
        const int n = int(rng.bounded(1, 60));
        for (int k = 0; k < n; ++k) {
            // Mostly ASCII and the common Japanese blocks, as report texts are; now and then anything.
            const int pick = int(rng.bounded(10));
            line += pick < 4   ? QChar(char16_t(rng.bounded(0x20, 0x7F)))
                    : pick < 9 ? chars[qsizetype(rng.bounded(qsizetype(0), qsizetype(700)))]
                               : chars[qsizetype(rng.bounded(chars.size()))];
        }
        lines << line;
    }
    lines << QString() << QStringLiteral("   ") << QStringLiteral("a\r\nbb\r\nc") << QStringLiteral("\r\n")
          << QStringLiteral("- 12 -") << QStringLiteral("　　　　　キャンセル") << chars;

    for (const Device& d : devices) {
        print::TextMetrics m(d.device);
        for (const double size : sizes) {
            SCOPED_TRACE(std::string(d.name) + " at " + std::to_string(size));
            m.setPointSize(size);
            int wrong = 0;
            // Each character alone at a few sizes; all of them in the lines at every size.
            for (QChar c : perCharSize(size) ? chars : QString()) {
                const QString one(c);
                if (m.textWidth(one) != m.shapedWidth(one) && ++wrong <= 5)
                    ADD_FAILURE() << "U+" << std::hex << int(c.unicode()) << std::dec << ": "
                                  << m.textWidth(one) << " against " << m.shapedWidth(one);
            }
            for (const QString& line : lines) {
                if (m.textWidth(line) != m.shapedWidth(line) && ++wrong <= 5)
                    ADD_FAILURE() << line.left(40).toStdString() << ": " << m.textWidth(line) << " against "
                                  << m.shapedWidth(line);
            }
            EXPECT_EQ(wrong, 0);
        }
        // One line after another at every size in turn, as a line too wide for the page is measured
        // again smaller and smaller.
        int wrong = 0;
        for (qsizetype i = 0; i < 120; ++i) {
            for (const double size : sizes) {
                m.setPointSize(size);
                if (m.textWidth(lines[i]) != m.shapedWidth(lines[i]) && ++wrong <= 5)
                    ADD_FAILURE() << d.name << " at " << size << ": " << lines[i].left(40).toStdString();
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

// Texts with characters that may join their neighbours are measured whole, so they agree as well.
TEST(TextMetrics, TextsThatMayJoinAreMeasuredWhole) {
    QImage picture = previewPicture();
    print::TextMetrics m(&picture);
    const QString texts[] = {
        QStringLiteral("か\u3099き"),         // a combining voiced mark
        QStringLiteral("e\u0301t\u00e9"),     // a combining accent
        QStringLiteral("\U0001F600ok"),       // outside the plane: a surrogate pair
        QStringLiteral("a\tb"),               // a control
        QStringLiteral("\u0627\u0644\u0639"), // a joining script
        QStringLiteral("a\rb"),               // a lone CR ends no line
    };
    for (const double size : {4.0, 9.0, 12.0}) {
        m.setPointSize(size);
        for (const QString& t : texts)
            EXPECT_EQ(m.textWidth(t), m.shapedWidth(t)) << t.toStdString() << " at " << size;
    }
}

} // namespace

// Until a paper is chosen, the print queue's own default paper, portrait (A4 where it names none).
TEST(PageSetupPaper, TheQueuesOwnDefaultUntilOneIsChosen) {
    const print::PrintQueues saved = print::printQueues();
    static QPageSize queuePaper;
    print::printQueues() = {[] { return QStringList{QStringLiteral("事務所")}; },
                            [](const QString&) { return queuePaper; },
                            [](const QString&) { return QList<QPageSize>(); }};
    const struct {
        QPageSize::PageSizeId queue;
        bool chosen;
        QPageSize::PageSizeId used;
    } rows[] = {{QPageSize::Letter, false, QPageSize::Letter}, {QPageSize::Custom, false, QPageSize::A4},
                {QPageSize::Letter, true, QPageSize::A5}};
    for (const auto& r : rows) {
        queuePaper = r.queue == QPageSize::Custom ? QPageSize() : QPageSize(r.queue);
        print::PageSetup setup;
        if (r.chosen)
            setup.choose(QStringLiteral("事務所"),
                         QPageLayout(QPageSize(QPageSize::A5), QPageLayout::Portrait, {}));
        EXPECT_EQ(setup.layout().pageSize().id(), r.used) << r.queue;
        EXPECT_EQ(setup.layout().orientation(), QPageLayout::Portrait);
    }
    print::printQueues() = saved;
}
