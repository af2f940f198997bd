#include "controls.h"

#include <QProgressBar>
#include <QTimer>
#include <algorithm>

namespace controls {

void setBarPosition(QProgressBar* bar, int position) {
    // QProgressBar ignores a value outside its range; the bar shows the nearer end instead.
    // setValue repaints only when the value changes, so calling this per chunk is cheap.
    bar->setValue(std::clamp(position, bar->minimum(), bar->maximum()));
}

void setTimerPeriod(QTimer* timer, int milliseconds) {
    const int period = std::max(milliseconds, 0);
    if (period == timerPeriod(timer)) {
        return;
    }
    if (period == 0) {
        timer->stop();
    } else {
        timer->start(period);
    }
}

int timerPeriod(const QTimer* timer) {
    return timer->isActive() ? timer->interval() : 0;
}

}  // namespace controls
