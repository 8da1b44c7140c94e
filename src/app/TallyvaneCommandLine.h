#pragma once

namespace tallyvane {

// The program's command line: --help and --version answer and exit before anything needs a
// display, so both work on a machine without one. Qt's own GUI options (-platform, -style,
// …) pass through to QApplication; anything else is an error that names the option.
class TallyvaneCommandLine {
public:
    TallyvaneCommandLine() = delete;

    // Returns when the application should start; otherwise prints and exits.
    static void process(int& argc, char** argv);
};

} // namespace tallyvane
