#pragma once

#include "common/Form.h"

// The dialing status window: the attempt number, the redial countdown and the status lines.
class Form5 : public Form {
    Q_OBJECT
public:
    Form5();
};
