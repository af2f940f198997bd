#include "receiverengine.h"

ReceiverEngine::ReceiverEngine(const ReceiverControls& controls, StreamClient& client,
                               Prompts& prompts, QObject* parent)
    : QObject(parent), controls_(controls), client_(client), prompts_(prompts) {}

ReceiverEngine::~ReceiverEngine() = default;

void ReceiverEngine::onWindowCreated() {}
void ReceiverEngine::onDataArrived(const ByteBuffer&) {}
void ReceiverEngine::onWatchTick() {}
void ReceiverEngine::onConnectionLost() {}
void ReceiverEngine::onProgramExit() {}
