// Forms of the pressure-gradient source kept apart from pressure_source.cpp.
#pragma once

// F 46 7, 9 and 10: horizontal pressure differences between the levels of
// the cell centres. Called by pressure_source for those codes.
void levelPressureForm();
