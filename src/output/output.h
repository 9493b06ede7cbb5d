// Result output and restart files: the routines that the run driver and the start-up call.
#pragma once

void sprintflow();
void writespider();
void readres();
