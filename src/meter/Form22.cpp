#include "Form22.h"

Form22::Form22() : MeterWindow(Tariff::Type2) {}
