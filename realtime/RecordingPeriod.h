#pragma once

#include <QString>

namespace tc4dl {

// The recording period of a real-time run as the set-up dialog shows it.
// When the dialog opens: hours, minutes and seconds unpadded ("1:6:40").
[[nodiscard]] QString periodTextUnpadded(qint64 seconds);
// After a change of the rate: minutes and seconds with two digits, hours unlimited ("1:06:40",
// "2000:00:00").
[[nodiscard]] QString periodTextPadded(qint64 seconds);

} // namespace tc4dl
