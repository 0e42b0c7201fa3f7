#include "Form2.h"

Form2::Form2() {
    setWindowTitle(QStringLiteral("Orvalin"));
    setClientSizeTwips(3930, 540);
}
