#pragma once

#include "common/Form.h"

// The provider's charge per minute, edited and stored on "&Ok".
class Form6 : public Form {
    Q_OBJECT
public:
    Form6();
};
