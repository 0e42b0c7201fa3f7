#pragma once

#include <QtGlobal>

// The program-wide variables, shared by the windows for the one call a run meters.

// The wait before a redial, in seconds, read at every press of "&Ota Yhteys".
extern qint32 OdotetaanSekunnit;
// The begun minutes of the call.
extern qint32 PuheluMinuutit;
// Whether the type-1 charge for the first 30 minutes at other times has been made in this call.
extern bool FirstBlockCharged;
// The alarms the user has acknowledged in this run.
extern bool KestoAlarmAcknowledged;
extern bool HintaAlarmAcknowledged;
extern bool YhteensäKestoAlarmAcknowledged;
extern bool YhteensäHintaAlarmAcknowledged;

// Puts every variable back to its value at program start.
void ResetProgramVariables();
