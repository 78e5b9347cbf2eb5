// The printer set-up box: the print queue, its paper and orientation, chosen without printing. It
// goes through one replaceable function, so tests can answer it as they answer the file choosers.
#pragma once

#include <QDialog>
#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QRadioButton;

namespace ui {

struct PrinterChoice {
    QString queue;
    QPageLayout layout;
};

// Shows the box on what is set now; the user's choice, or nothing when they cancel.
std::optional<PrinterChoice> askPrinterSetup(QWidget* parent, const PrinterChoice& now);
using PrinterSetupBox = std::function<std::optional<PrinterChoice>(QWidget*, const PrinterChoice&)>;
// Puts a stand-in in place of the box; an empty one brings the box back.
void setPrinterSetupBox(PrinterSetupBox box);

class PrinterSetupDialog : public QDialog {
    Q_OBJECT
  public:
    PrinterSetupDialog(const PrinterChoice& now, QWidget* parent = nullptr);
    PrinterChoice choice() const;

  private:
    void queueChanged();
    void listPapers(const QPageSize& keep, bool evenIfNotListed);
    void showProperties();

    QComboBox* queue_;
    QLabel* where_;
    QLabel* comment_;
    QComboBox* paper_;
    QRadioButton* portrait_;
    QRadioButton* landscape_;
    QPageLayout layout_;
    QList<QPageSize> papers_;
};

} // namespace ui
