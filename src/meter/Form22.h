#pragma once

#include "MeterWindow.h"

// The meter window of tariff type 2: counts the call's and all calls' time and cost.
class Form22 : public MeterWindow {
    Q_OBJECT
public:
    Form22();
};
