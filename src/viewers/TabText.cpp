#include "viewers/TabText.h"

#include "db/OleDate.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace viewers {

namespace {

// Sign, then the digits of the magnitude: one allocation per number, as lists write millions of them.
QString signedText(bool negative, std::uint64_t units, std::uint64_t frac = 0) {
    char buf[32];
    char* p = buf;
    *p++ = negative ? '-' : ' ';
    if (units != 0 || frac == 0)
        p = std::to_chars(p, buf + sizeof buf, units).ptr;
    if (frac != 0) { // four decimals, trailing zeros dropped
        *p++ = '.';
        int digits = 4;
        while (frac % 10 == 0) {
            frac /= 10;
            --digits;
        }
        for (int i = digits - 1; i >= 0; --i, frac /= 10)
            p[i] = char('0' + frac % 10);
        p += digits;
    }
    return QString::fromLatin1(buf, p - buf);
}

std::uint64_t magnitude(std::int64_t v) { return v < 0 ? std::uint64_t(0) - std::uint64_t(v) : std::uint64_t(v); }

} // namespace

QString numText(std::int64_t v) { return signedText(v < 0, magnitude(v)); }

QString numText(db::Currency v) {
    const std::uint64_t mag = magnitude(v.raw());
    return signedText(v.raw() < 0, mag / 10000, mag % 10000);
}

QString numText(float v) {
    if (v == 0 || std::isnan(v))
        return QStringLiteral(" 0");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.7G", double(std::fabs(v)));
    QString s = QString::fromLatin1(buf);
    if (s.startsWith(QStringLiteral("0.")))
        s.remove(0, 1);
    return (v < 0 ? QLatin1Char('-') : QLatin1Char(' ')) + s;
}

QString dateText(double ole) {
    if (ole != std::trunc(ole))
        return db::dateTimeFromOle(ole).toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    const QDate d = db::dateFromOle(ole);
    if (d.year() < 1000 || d.year() > 9999)
        return d.toString(QStringLiteral("yyyy/MM/dd"));
    const int parts[] = {d.year(), d.month(), d.day()};
    char buf[10] = {};
    std::to_chars(buf, buf + 4, parts[0]);
    for (int k = 1; k < 3; ++k) {
        buf[3 * k + 1] = '/';
        buf[3 * k + 2] = char('0' + parts[k] / 10);
        buf[3 * k + 3] = char('0' + parts[k] % 10);
    }
    return QString::fromLatin1(buf, 10);
}

QString cancelText(const QString& mark) {
    return mark == QLatin1String("X") ? QStringLiteral("キャンセル") : QStringLiteral(" ");
}

QString conditionTitle(int year, int month, const QString& codeLabel, const QString& code) {
    QString t;
    if (year != 0) {
        t = numText(std::int64_t(year)) + QStringLiteral("年度");
        if (month != 0)
            t += numText(std::int64_t(month)) + QStringLiteral("月分　");
        else
            t += QStringLiteral("分　");
    } else {
        t = QStringLiteral("全年度分　");
    }
    if (!codeLabel.isEmpty() && !code.isEmpty())
        t += codeLabel + code;
    return t;
}

QString proposedExportName(const QString& dbPath, const QString& word, ExportKind kind) {
    const QString base = dbPath.size() >= 4 ? dbPath.chopped(4) : QString();
    return base + QLatin1Char('_') + word +
           (kind == ExportKind::Tab ? QStringLiteral("_Tab.txt") : QStringLiteral("_Flat.txt"));
}

} // namespace viewers
