// Edge inputs in the tax rate of 自社情報変更, through the real main window: a rate is either refused
// (a message, the control file and memory as they were) or taken as the dialog shows it again, so that
// confirming the dialog once more without a change changes nothing.
#include "support/MainRoad.h"

#include "core/ControlFile.h"
#include "masters/CompanySettingsDialog.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using mainroad::Program;
using masters::CompanySettingsDialog;

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// Opens 自社情報変更 and lets act fill the dialog; closes it with キャンセル when ＯＫ left it open.
void changeSettings(Program& p, const std::function<void(CompanySettingsDialog&)>& act) {
    mainroad::onNextModal([&](QWidget* w) {
        auto* d = qobject_cast<CompanySettingsDialog*>(w);
        ASSERT_NE(d, nullptr);
        act(*d);
        d->cmdOK->click();
        if (d->isVisible()) d->cmdCancel->click();
    });
    p.trigger(QStringLiteral("mnuMyNameChange"));
}

} // namespace

TEST(SettingsEdges, ATaxRateIsTakenAsTheDialogShowsItOrRefused) {
    Program p;
    const QString db = p.newDatabase(QStringLiteral("shop.vrd"));
    ASSERT_FALSE(db.isEmpty());
    const QString ctl = core::controlPathFor(db);
    const QStringList inputs{QString(),
                             QStringLiteral("   "),
                             QStringLiteral("0"),
                             QStringLiteral("8"),
                             QStringLiteral("8.1"),
                             QStringLiteral("8.12"),
                             QStringLiteral("8.125"),
                             QStringLiteral("8.1234"),
                             QStringLiteral("8.12345"),
                             QStringLiteral("0.005"),
                             QStringLiteral("99.995"),
                             QStringLiteral("99.99"),
                             QStringLiteral("100"),
                             QStringLiteral("100.001"),
                             QStringLiteral("-0"),
                             QStringLiteral("-5"),
                             QStringLiteral("."),
                             QStringLiteral("1,0"),
                             QStringLiteral("１０"),
                             QStringLiteral("－５"),
                             QStringLiteral("1e1"),
                             QStringLiteral("99999999999999999999"),
                             QStringLiteral("2147483648"),
                             QStringLiteral("922337203685477.5808"),
                             QStringLiteral("abc"),
                             QStringLiteral("8\r\n"),
                             QStringLiteral("8\t"),
                             QString(10000, QLatin1Char('7'))};
    int taken = 0;
    for (const QString& input : inputs) {
        SCOPED_TRACE(input.left(40).toUtf8().toStdString());
        const QByteArray before = readBytes(ctl);
        const core::CompanyInfo company = p.state().gCompany;
        p.messages().clear();
        changeSettings(p, [&](CompanySettingsDialog& d) {
            d.rdo[1]->click();
            d.txtTax->selectAll();
            d.txtTax->insert(input); // as a paste over the whole text
        });
        if (!p.messages().shown().empty()) {
            EXPECT_TRUE(p.messages().shown()[0].text.contains(QStringLiteral("税率")));
            EXPECT_EQ(readBytes(ctl), before);
            EXPECT_EQ(p.state().gCompany, company);
            continue;
        }
        ++taken;
        const QByteArray after = readBytes(ctl);
        const float rate = p.state().gCompany.TaxRate;
        EXPECT_EQ(core::decodeControl(after).company.TaxRate, rate);
        // Confirmed again as shown: nothing changes.
        QString shown;
        changeSettings(p, [&](CompanySettingsDialog& d) { shown = d.txtTax->text(); });
        EXPECT_TRUE(p.messages().shown().empty()) << p.messages().texts().join('|').toStdString();
        EXPECT_EQ(p.state().gCompany.TaxRate, rate) << shown.toStdString();
        EXPECT_EQ(readBytes(ctl), after) << shown.toStdString();
    }
    EXPECT_GT(taken, 8);
}

// A rate is taken only with at most two decimals as typed: ParseAmount's rounding to four decimals must not
// turn a longer rate into one the box then shows shorter.
TEST(SettingsEdges, ATaxRateIsTakenOnlyWithTheDecimalsTheBoxShows) {
    Program p;
    ASSERT_FALSE(p.newDatabase(QStringLiteral("shop.vrd")).isEmpty());
    const struct {
        const char* typed;
        float stored; // 0: refused
    } cases[] = {
        {"8.12004", 0},  {"8.120049", 0},  {"8.12 001", 0},      {"8.125", 0},
        {"8.12", 8.12f}, {"8.120", 8.12f}, {"8.1 20 00", 8.12f}, {"10.", 10.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        p.messages().clear();
        const float before = p.state().gCompany.TaxRate;
        changeSettings(p, [&](CompanySettingsDialog& d) {
            d.rdo[1]->click();
            d.txtTax->selectAll();
            d.txtTax->insert(QString::fromLatin1(c.typed));
        });
        EXPECT_EQ(p.messages().shown().empty(), c.stored != 0)
            << p.messages().texts().join('|').toStdString();
        EXPECT_EQ(p.state().gCompany.TaxRate, c.stored != 0 ? c.stored : before);
    }
}
