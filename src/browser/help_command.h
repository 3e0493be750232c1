#pragma once

class QWidget;

namespace gb::app {
class Module1;
}

namespace gb::browser {

// Opens the help pages: the copy installed with the program, or, from a help site, after
// telling the person that it is on-line.
void ShowHelp(app::Module1& module1, QWidget* owner);

} // namespace gb::browser
