#pragma once

class QProgressBar;
class QTimer;

// Writing values to controls: out-of-range values are adjusted, never refused.
namespace controls {

// Below 0 shows an empty bar, above 100 a full one.
void setBarPosition(QProgressBar* bar, int position);

// Milliseconds between ticks: a negative value counts as 0, 0 stops the timer, another value
// restarts the ticking with that period, and the period the timer already has changes nothing.
void setTimerPeriod(QTimer* timer, int milliseconds);

// The period in force: 0 while the timer is stopped.
int timerPeriod(const QTimer* timer);

}  // namespace controls
