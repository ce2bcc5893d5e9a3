#pragma once

#include <memory>

class QPrinter;

namespace tc4dl {

class ClientArea;
class Prompter;
class TfrmList;

// File > Print and Printer Setup: one printer for the program's whole run, chosen in the printer
// set-up or the last print dialog, used by every printout that follows.
class PrintCommands {
public:
    PrintCommands(ClientArea& area, Prompter& prompter);
    ~PrintCommands();

    [[nodiscard]] QPrinter& printer();
    // Prints the active child window.
    void print();
    void printerSetup();
    void printTable(TfrmList& list);

private:
    ClientArea& m_area;
    Prompter& m_prompter;
    std::unique_ptr<QPrinter> m_printer;
};

} // namespace tc4dl
