#pragma once

#include "GraphRole.h"
#include "OpenData.h"

#include <QPointer>

#include <functional>

namespace tc4dl {

class GraphServices;

// The graph window of a set of data sets (the logger's, or the archive's on view): File > Save
// saves its data (all data sets or the graph shown, as the user chooses), and before it
// closes it asks whether to save data that nothing else keeps. The data sets and their list
// come with the window that shows them.
class LoggerGraphRole final : public GraphRole {
public:
    // `piece` is the data the window shows; `saveCommand` saves it when the user wants it
    // saved, true when a file was written.
    LoggerGraphRole(GraphServices& services, OpenData& data, OpenData::Piece piece,
        std::function<bool()> saveCommand);

    [[nodiscard]] TfrmGraph* window() const { return m_window; }
    [[nodiscard]] OpenData::Piece piece() const { return m_piece; }
    // What a click on row `row` of the data-set list does (row 0 lists the first set).
    void setDataSetHandler(std::function<void(int row)> handler)
    {
        m_dataSetClicked = std::move(handler);
    }

    void attach(TfrmGraph& window) override;
    bool closeQuery() override;
    void closed() override;
    void save() override;
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
    OpenData& m_data;
    OpenData::Piece m_piece;
    std::function<bool()> m_saveCommand;
    std::function<void(int)> m_dataSetClicked;
    QPointer<TfrmGraph> m_window;
    std::optional<bool> m_shownCelsius;
};

} // namespace tc4dl
