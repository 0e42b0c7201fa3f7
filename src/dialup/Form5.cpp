#include "Form5.h"

Form5::Form5() {
    setWindowTitle(QStringLiteral("Soitetaan..."));
    setClientSizeTwips(3270, 1485);
}
