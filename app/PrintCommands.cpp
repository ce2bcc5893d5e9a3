#include "PrintCommands.h"

#include "ChartView.h"
#include "ClientArea.h"
#include "Prompter.h"
#include "TablePrintout.h"
#include "TfrmGraph.h"
#include "TfrmList.h"

#include <QMdiSubWindow>
#include <QPrinter>

namespace tc4dl {

PrintCommands::PrintCommands(ClientArea& area, Prompter& prompter)
    : m_area(area),
      m_prompter(prompter)
{
}

PrintCommands::~PrintCommands() = default;

QPrinter& PrintCommands::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void PrintCommands::print()
{
    QMdiSubWindow* sub = m_area.currentSubWindow();
    // A graph prints on the program's current printer, which its print dialog may change.
    if (auto* graph = qobject_cast<TfrmGraph*>(sub ? sub->widget() : nullptr))
        graph->graph()->setPrinter(&printer());
    if (ChildWindow* child = m_area.activeChild())
        child->print();
}

void PrintCommands::printerSetup()
{
    (void)m_prompter.printerSetup(printer());
}

void PrintCommands::printTable(TfrmList& list)
{
    // The table model keeps its row numbers (headed "No") in its own first column.
    (void)TablePrintout::run(TablePrintout::gridOf(list.table(), false), printer(), m_prompter);
}

} // namespace tc4dl
