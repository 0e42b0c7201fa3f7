#pragma once

#include "common/Form.h"

// The meter window of tariff type 2: counts the call's and all calls' time and cost.
class Form22 : public Form {
    Q_OBJECT
public:
    Form22();
};
