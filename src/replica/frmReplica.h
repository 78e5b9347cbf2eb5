// The one window of VarnoxReplica: choose a source database, then clear its orders in place or in a copy.
#pragma once

#include "replica/OrderReset.h"

#include <QWidget>
#include <array>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace replica {

class FileDialogService;

class frmReplica : public QWidget {
    Q_OBJECT
public:
    explicit frmReplica(FileDialogService& dialogs, QWidget* parent = nullptr);

    // How the reset runs (tests replace the compaction or the folder check).
    void setResetOptions(const ResetOptions& options) { mOptions = options; }

    const QString& sourcePath() const { return mSourcePath; }
    const QString& targetPath() const { return mTargetPath; }
    bool copyMode() const;

    QPushButton* cmdFrom = nullptr;
    QLabel* lbFrom = nullptr;
    QGroupBox* Frame1 = nullptr;
    std::array<QRadioButton*, 2> Op{}; // 0 copy to another file, 1 clear in place
    QPushButton* cmdTo = nullptr;
    QLabel* lbTo = nullptr;
    QPushButton* cmdDone = nullptr;
    QPushButton* cmdEnd = nullptr;

private:
    void Op_Click();
    void cmdFrom_Click();
    void cmdTo_Click();
    void cmdDone_Click();
    void setPathLabel(QLabel* label, const QString& path);

    FileDialogService& mDialogs;
    ResetOptions mOptions;
    QString mSourcePath;
    QString mTargetPath;
};

} // namespace replica
