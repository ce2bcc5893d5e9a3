#pragma once

#include "LiveBoard.h"

#include <QObject>

#include <vector>

namespace tc4dl::recorder {
class MeterState;
}

namespace tc4dl::cli {

// `record --http`: the live page fed from what the recorder keeps of each meter, so that the
// page shows the readings the recorder stores and the alarms it raises, nothing of its own.
class RecordPage final : public QObject {
    Q_OBJECT
public:
    RecordPage(live::LiveBoard& board, const std::vector<recorder::MeterState*>& meters,
        QObject* parent = nullptr);

private:
    void follow(const recorder::MeterState& meter);

    live::LiveBoard& m_board;
};

} // namespace tc4dl::cli
