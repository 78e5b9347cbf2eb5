#include "ui/PrinterSetupBox.h"

#include "print/PageSetup.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ui {

namespace {

PrinterSetupBox& standIn() {
    static PrinterSetupBox box;
    return box;
}

// The papers offered when a queue names none of its own.
QList<QPageSize> commonPapers() {
    QList<QPageSize> out;
    for (auto id : {QPageSize::A3, QPageSize::A4, QPageSize::A5, QPageSize::JisB4, QPageSize::JisB5,
                    QPageSize::Letter, QPageSize::Legal})
        out << QPageSize(id);
    return out;
}

} // namespace

std::optional<PrinterChoice> askPrinterSetup(QWidget* parent, const PrinterChoice& now) {
    if (standIn()) return standIn()(parent, now);
    PrinterSetupDialog box(now, parent);
    if (box.exec() != QDialog::Accepted) return std::nullopt;
    return box.choice();
}

void setPrinterSetupBox(PrinterSetupBox box) {
    standIn() = std::move(box);
}

PrinterSetupDialog::PrinterSetupDialog(const PrinterChoice& now, QWidget* parent)
    : QDialog(parent), layout_(now.layout) {
    setWindowTitle(QStringLiteral("プリンタの設定"));

    auto* printerBox = new QGroupBox(QStringLiteral("プリンタ"), this);
    queue_ = new QComboBox(printerBox);
    queue_->setObjectName(QStringLiteral("queue"));
    queue_->setMinimumContentsLength(24);
    queue_->addItems(print::printQueues().names());
    queue_->setCurrentIndex(std::max(0, queue_->findText(now.queue)));
    auto* properties = new QPushButton(QStringLiteral("プロパティ(&P)..."), printerBox);
    where_ = new QLabel(printerBox);
    comment_ = new QLabel(printerBox);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(queue_, 1);
    nameRow->addWidget(properties);
    auto* printerForm = new QFormLayout(printerBox);
    auto* name = new QLabel(QStringLiteral("プリンタ名(&N):"), printerBox);
    name->setBuddy(queue_);
    printerForm->addRow(name, nameRow);
    printerForm->addRow(QStringLiteral("場所:"), where_);
    printerForm->addRow(QStringLiteral("コメント:"), comment_);

    auto* paperBox = new QGroupBox(QStringLiteral("用紙"), this);
    paper_ = new QComboBox(paperBox);
    paper_->setObjectName(QStringLiteral("paper"));
    auto* paperForm = new QFormLayout(paperBox);
    paperForm->addRow(QStringLiteral("サイズ(&Z):"), paper_);

    auto* turnBox = new QGroupBox(QStringLiteral("印刷の向き"), this);
    portrait_ = new QRadioButton(QStringLiteral("縦(&O)"), turnBox);
    portrait_->setObjectName(QStringLiteral("portrait"));
    landscape_ = new QRadioButton(QStringLiteral("横(&A)"), turnBox);
    landscape_->setObjectName(QStringLiteral("landscape"));
    auto* turnColumn = new QVBoxLayout(turnBox);
    turnColumn->addWidget(portrait_);
    turnColumn->addWidget(landscape_);
    (layout_.orientation() == QPageLayout::Landscape ? landscape_ : portrait_)->setChecked(true);

    auto* pageRow = new QHBoxLayout;
    pageRow->addWidget(paperBox, 1);
    pageRow->addWidget(turnBox);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* column = new QVBoxLayout(this);
    column->addWidget(printerBox);
    column->addLayout(pageRow);
    column->addWidget(buttons);

    listPapers(layout_.pageSize(), true);
    queueChanged();
    connect(queue_, &QComboBox::currentIndexChanged, this, [this] {
        queueChanged();
        listPapers(papers_.value(paper_->currentIndex()), false);
    });
    connect(properties, &QPushButton::clicked, this, &PrinterSetupDialog::showProperties);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void PrinterSetupDialog::queueChanged() {
    const QPrinterInfo info = QPrinterInfo::printerInfo(queue_->currentText());
    where_->setText(info.location());
    comment_->setText(info.description());
}

// The papers the queue takes, on the one kept where the queue takes it, else on the queue's own. A paper
// set before (or in Qt's page set-up) stays even where the list lacks it: nothing changes unasked.
void PrinterSetupDialog::listPapers(const QPageSize& keep, bool evenIfNotListed) {
    const QString queue = queue_->currentText();
    papers_ = print::printQueues().papers(queue);
    if (papers_.isEmpty()) papers_ = commonPapers();
    auto find = [this](const QPageSize& size) {
        for (int i = 0; i < papers_.size(); ++i)
            if (papers_[i].isEquivalentTo(size)) return i;
        return -1;
    };
    int at = find(keep);
    if (at < 0 && evenIfNotListed && keep.isValid()) {
        papers_ << keep;
        at = int(papers_.size()) - 1;
    }
    if (at < 0) {
        const QPageSize own = print::printQueues().defaultPaper(queue);
        at = find(own.isValid() ? own : QPageSize(QPageSize::A4));
    }
    const QSignalBlocker quiet(paper_);
    paper_->clear();
    for (const QPageSize& p : papers_)
        paper_->addItem(p.name());
    paper_->setCurrentIndex(std::max(at, 0));
}

// Qt's own page set-up for the margins and papers beyond the queue's list. On a print queue it would show
// the queue's default paper with no margins and drop what is changed there, so it works on the page alone.
void PrinterSetupDialog::showProperties() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageLayout(choice().layout);
    QPageSetupDialog dlg(&printer, this);
    if (dlg.exec() != QDialog::Accepted) return;
    layout_ = printer.pageLayout();
    listPapers(layout_.pageSize(), true);
    (layout_.orientation() == QPageLayout::Landscape ? landscape_ : portrait_)->setChecked(true);
}

PrinterChoice PrinterSetupDialog::choice() const {
    QPageLayout page = layout_;
    if (paper_->currentIndex() >= 0) page.setPageSize(papers_[paper_->currentIndex()], page.minimumMargins());
    page.setOrientation(landscape_->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait);
    return {queue_->currentText(), page};
}

} // namespace ui
