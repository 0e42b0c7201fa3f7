#pragma once

#include "MeterWindow.h"

// The meter window of tariff type 1: counts the call's and all calls' time and cost.
class Form2 : public MeterWindow {
    Q_OBJECT
public:
    Form2();
};
