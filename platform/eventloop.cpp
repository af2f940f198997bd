#include "eventloop.h"

#include <QByteArray>
#include <QtGlobal>

namespace eventloop {

void preferQtDispatcher() {
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) {
        qputenv("QT_NO_GLIB", QByteArray("1"));
    }
}

}  // namespace eventloop
