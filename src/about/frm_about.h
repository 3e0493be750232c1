#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace gb::app {
class Module1;
}

namespace gb::about {

// The About window: the program's title, version and a few words about it, and a button that
// starts the desktop's system information tool. It carries the icon of its parent (the main
// window). One long-lived object; every showing fills its texts afresh.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(app::Module1& module1, QWidget* parent = nullptr);
    ~frmAbout() override;

    // Fills the texts and runs the window modally.
    int ShowModal();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    QFrame* BuildSeparator();
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

    app::Module1& module1_;

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* Label1 = nullptr;
    QFrame* Line1 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;
};

} // namespace gb::about
