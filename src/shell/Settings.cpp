#include "shell/Settings.h"

#include <QSettings>
#include <cmath>

namespace shell {

namespace {

QSettings store() { return QSettings(QStringLiteral("Varnox"), QStringLiteral("Varnox")); }

double readNumber(QSettings& st, const char* key, double fallback) {
    bool ok = false;
    const double v = st.value(QLatin1String(key)).toString().toDouble(&ok);
    return ok && std::isfinite(v) ? v : fallback;
}

bool readBool(QSettings& st, const char* key, bool fallback) {
    const QString v = st.value(QLatin1String(key)).toString();
    if (v.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (v.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    return fallback;
}

QString boolText(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }
// Stored as the decimal text of a single-precision number.
QString numberText(double v) { return QString::number(double(float(v)), 'g', 9); }

} // namespace

MainSettings loadMainSettings() {
    QSettings st = store();
    st.beginGroup(QStringLiteral("Settings"));
    MainSettings d;
    MainSettings s;
    s.left = readNumber(st, "MainLeft", d.left);
    s.top = readNumber(st, "MainTop", d.top);
    s.width = readNumber(st, "MainWidth", d.width);
    s.height = readNumber(st, "MainHeight", d.height);
    s.placed = st.contains(QStringLiteral("MainWidth")) && st.contains(QStringLiteral("MainHeight"));
    s.toolbar = readBool(st, "TBChecked", d.toolbar);
    s.statusBar = readBool(st, "SBChecked", d.statusBar);
    s.tips = readBool(st, "TipDChecked", d.tips);
    s.autoFocus = readBool(st, "AutoFocusChecked", d.autoFocus);
    return s;
}

void saveMainSettings(const MainSettings& s, bool savePlacement) {
    QSettings st = store();
    st.beginGroup(QStringLiteral("Settings"));
    if (savePlacement) {
        st.setValue(QStringLiteral("MainLeft"), numberText(s.left));
        st.setValue(QStringLiteral("MainTop"), numberText(s.top));
        st.setValue(QStringLiteral("MainWidth"), numberText(s.width));
        st.setValue(QStringLiteral("MainHeight"), numberText(s.height));
    }
    st.setValue(QStringLiteral("TBChecked"), boolText(s.toolbar));
    st.setValue(QStringLiteral("SBChecked"), boolText(s.statusBar));
    st.setValue(QStringLiteral("TipDChecked"), boolText(s.tips));
    st.setValue(QStringLiteral("AutoFocusChecked"), boolText(s.autoFocus));
    st.sync();
}

int twipsToPixels(double twips, double dpi) { return int(std::lround(twips * dpi / 1440.0)); }
double pixelsToTwips(int pixels, double dpi) { return pixels * 1440.0 / dpi; }

} // namespace shell
