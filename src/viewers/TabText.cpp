#include "viewers/TabText.h"

#include "db/OleDate.h"

#include <cmath>
#include <cstdio>

namespace viewers {

namespace {

QString signed_(bool negative, const QString& digits) {
    return (negative ? QStringLiteral("-") : QStringLiteral(" ")) + digits;
}

} // namespace

QString numText(std::int64_t v) {
    const std::uint64_t mag = v < 0 ? std::uint64_t(0) - std::uint64_t(v) : std::uint64_t(v);
    return signed_(v < 0, QString::number(mag));
}

QString numText(db::Currency v) {
    const std::int64_t raw = v.raw();
    const std::uint64_t mag = raw < 0 ? std::uint64_t(0) - std::uint64_t(raw) : std::uint64_t(raw);
    const std::uint64_t units = mag / 10000;
    std::uint64_t frac = mag % 10000;
    QString s = units == 0 && frac != 0 ? QString() : QString::number(units);
    if (frac != 0) {
        QString f = QString::number(frac).rightJustified(4, QLatin1Char('0'));
        while (f.endsWith(QLatin1Char('0')))
            f.chop(1);
        s += QLatin1Char('.') + f;
    }
    return signed_(raw < 0, s);
}

QString numText(float v) {
    if (v == 0 || std::isnan(v))
        return QStringLiteral(" 0");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.7G", double(std::fabs(v)));
    QString s = QString::fromLatin1(buf);
    if (s.startsWith(QStringLiteral("0.")))
        s.remove(0, 1);
    return signed_(v < 0, s);
}

QString dateText(double ole) {
    if (ole != std::trunc(ole))
        return db::dateTimeFromOle(ole).toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    return db::dateFromOle(ole).toString(QStringLiteral("yyyy/MM/dd"));
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
