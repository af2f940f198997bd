#pragma once

// Chosen before the application object exists: the event loop's own dispatcher rather than
// GLib's. GLib wakes its loop through an eventfd each time a socket notifier is switched on or
// off, which costs three system calls per message on each side of a transfer; the transfer
// rate is one round trip per 1000 bytes, so every system call shows. A user who sets
// QT_NO_GLIB themselves keeps their choice.
namespace eventloop {

void preferQtDispatcher();

}  // namespace eventloop
