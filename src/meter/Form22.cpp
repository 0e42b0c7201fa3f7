#include "Form22.h"

Form22::Form22() {
    setWindowTitle(QStringLiteral("Orvalin"));
    setClientSizeTwips(3930, 540);
}
