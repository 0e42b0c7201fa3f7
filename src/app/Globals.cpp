#include "Globals.h"

qint32 OdotetaanSekunnit = 0;
qint32 PuheluMinuutit = 0;
bool FirstBlockCharged = false;
bool KestoAlarmAcknowledged = false;
bool HintaAlarmAcknowledged = false;
bool YhteensäKestoAlarmAcknowledged = false;
bool YhteensäHintaAlarmAcknowledged = false;

void ResetProgramVariables() {
    OdotetaanSekunnit = 0;
    PuheluMinuutit = 0;
    FirstBlockCharged = false;
    KestoAlarmAcknowledged = false;
    HintaAlarmAcknowledged = false;
    YhteensäKestoAlarmAcknowledged = false;
    YhteensäHintaAlarmAcknowledged = false;
}
