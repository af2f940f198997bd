#pragma once

class QApplication;
class QString;

// The look both programs share: one style everywhere and a font that has every character of the
// Chinese captions at a size that fits the 20-pixel edit boxes and 24-pixel buttons.
namespace desktoplook {

void apply(QApplication& app);

// The family chosen for the captions (for tests and pictures).
QString captionFamily();

}  // namespace desktoplook
