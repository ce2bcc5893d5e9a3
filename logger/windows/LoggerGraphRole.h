#pragma once

#include "GraphRole.h"

#include <QPointer>

#include <functional>

namespace tc4dl {

class GraphServices;

// The logger's graph window: asks whether to save the downloaded data before it closes. The
// data sets, their list and the save of all sets come with the logger.
class LoggerGraphRole final : public GraphRole {
public:
    // `saveCommand` saves this window's data (all data sets or the graph shown, as the user
    // chooses) when the user wants it saved; true when a file was written.
    LoggerGraphRole(GraphServices& services, std::function<bool()> saveCommand);

    [[nodiscard]] TfrmGraph* window() const { return m_window; }
    // What a click on row `row` of the data-set list does (row 0 lists the first set).
    void setDataSetHandler(std::function<void(int row)> handler)
    {
        m_dataSetClicked = std::move(handler);
    }

    void attach(TfrmGraph& window) override;
    bool closeQuery() override;
    void closed() override;
    // The logger's window asks first whether to save all data sets; that choice comes with
    // the data sets.
    void save() override { }
    void dataSetClicked(int row) override
    {
        if (m_dataSetClicked)
            m_dataSetClicked(row);
    }
    // The unit of the data set on show: each set keeps the unit it was recorded in.
    void setShownUnit(std::optional<bool> celsius) { m_shownCelsius = celsius; }
    [[nodiscard]] std::optional<bool> dataCelsius() const override { return m_shownCelsius; }

private:
    GraphServices& m_services;
    std::function<bool()> m_saveCommand;
    std::function<void(int)> m_dataSetClicked;
    QPointer<TfrmGraph> m_window;
    std::optional<bool> m_shownCelsius;
};

} // namespace tc4dl
