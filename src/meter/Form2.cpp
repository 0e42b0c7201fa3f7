#include "Form2.h"

Form2::Form2() : MeterWindow(Tariff::Type1) {}
