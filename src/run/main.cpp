#include "control/control.h"

int main() { return quirdMain(); }
