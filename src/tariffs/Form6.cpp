#include "Form6.h"

Form6::Form6() {
    setWindowTitle(QStringLiteral("Palveluntarjoajan perimä maksu"));
    setClientSizeTwips(4680, 870);
}
