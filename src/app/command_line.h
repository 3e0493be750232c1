#pragma once

#include <QString>
#include <QStringList>

namespace gb::app {

// What the program was asked to do on its command line.
struct CommandLine {
    QString folder; // open this folder instead of the remembered one
    // Further pictures opened with the first (a file manager hands over every picture chosen):
    // those of its folder are ticked, the others' folders named.
    QStringList alsoOpened;
    QString contactSheet; // write the folder's cells to this PNG and exit
    int columns = 8; // columns of the contact sheet
    QString screenshot; // save the main window here once its first load has ended, then exit
    QString platform; // Qt's -platform option, when given
    QString display; // Qt's -display option (the X display), when given
    QString error; // not empty: the command line was not understood
    bool allTypes = false; // show every picture type for this run, whatever the setting says
    bool showHelp = false;
    bool showVersion = false;
};

// Understands: [FOLDER | PICTURE...] | --contact-sheet OUT.png [--columns N] FOLDER | --screenshot
// OUT.png [FOLDER] | -h, --help | --version, the first three with --all-types, each option also as
// --option=VALUE. `arguments` excludes the program name; Qt's own options (-platform NAME …)
// are accepted and left for QApplication, so this runs before any display is opened.
CommandLine ParseCommandLine(const QStringList& arguments);

QString UsageText();

// What a mistake on the command line prints after saying what was wrong.
QString UsageHint();

// The folder to open for a FOLDER argument: the folder itself, or the folder of a picture
// (the file manager hands over the picture that was opened). Always absolute.
QString FolderToOpen(const QString& argument);

} // namespace gb::app
