#pragma once

#include "rename/frm_rename.h"
#include "rename/path_label.h"
#include "samplegen/image_writers.h"
#include "support/modal_runner.h"
#include "support/test_services.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

namespace gb::test {

// The rename window on the test services, with a folder of real pictures to work on.
struct RenameHarness : TestServices {
    explicit RenameHarness(platform::IFileOperations* fileOperations = nullptr)
        : TestServices(QString(), fileOperations)
    {
        window.SetFiles(std::make_shared<core::Files>());
    }
    ~RenameHarness() { AwaitLanes(); } // a preview may still read from `photos`

    // Puts real pictures, each of its own colour, into `photos` and selects them in this order.
    void Select(const QStringList& names)
    {
        auto selection = std::make_shared<core::Files>();
        for (const QString& name : names) {
            const QColor colour = QColor::fromHsv(selection->Count() * 37 % 360, 200, 220);
            photos.Write(name, tools::WriteBmp(tools::Solid({ 48, 32 }, colour)));
            selection->SetItem(name, photos.Path() + "/");
        }
        window.SetFiles(selection);
    }

    // Opens the window modally, runs `body` inside it, then closes it with Done.
    template <typename Body> void WhileOpen(Body body)
    {
        RunModal([&] { return &window; },
            [&](rename::frmRename&) {
                body();
                Click("cmdDone");
            },
            [&] { window.ShowModal(); });
    }

    template <typename T> T* Get(const char* name) { return window.findChild<T*>(name); }
    QString Source() { return Get<rename::PathLabel>("lblSource")->Path(); }
    QString Destination() { return Get<rename::PathLabel>("lblDestination")->Path(); }
    // Clicks the button, and waits for the picker, batch or Save As it starts to end.
    void Click(const char* name)
    {
        QSignalSpy finished(&window, &rename::frmRename::RunFinished);
        Get<QPushButton>(name)->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !module1.PickerPending(); }));
        EXPECT_TRUE(!window.IsRunning() || finished.wait());
    }
    void Check(const char* name, bool on) { Get<QCheckBox>(name)->setChecked(on); }
    // Where each selected entry points now, in selection order.
    QStringList Paths()
    {
        QStringList paths;
        const auto selection = window.Files();
        for (int i = 0; i < selection->Count(); ++i)
            paths << selection->Items()[i] + selection->Keys()[i];
        return paths;
    }
    // Switches to the batch mode and fills in its fields.
    void SetUpBatch(const QString& name, const QString& start, const QString& destination)
    {
        Get<QRadioButton>("optSave1")->click();
        Get<QLineEdit>("txtFilename")->setText(name);
        Get<QLineEdit>("txtSuffix")->setText(start);
        dialogs.folderAnswers.push_back(destination);
        Click("cmdBrowse");
    }

    TempFolder photos;
    rename::frmRename window { module1 };
};

} // namespace gb::test
