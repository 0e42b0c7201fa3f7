#pragma once

#include "common/Form.h"

class ListView;

// The log viewer: every metered call's date, duration and price.
class Form7 : public Form {
    Q_OBJECT
public:
    Form7();

    ListView* ListView1;
};
