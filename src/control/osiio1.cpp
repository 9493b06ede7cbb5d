// Reader of `control`.
#include <cstdio>

#include <omp.h>

#include "control/control.h"
#include "control/engine.h"

void kread() {
    Log log(Log::Create);
    FILE* fp = std::fopen("control", "r");
    if (!fp) {
        setMessage("cannot open file 'control' ");
        log.write("Error, cannot open file 'control'\n");
        log.close();
        endRun(-4);
    }
    std::fclose(fp);
    setMessage(" Reading data file    ");
    setProgram(" In kread         ");
    log.write(" Multi-block version of QUIRD \n");
    log.write(" In kread \n\n");
    omp_set_num_threads(1);
    omp_set_dynamic(0);
    log.close();
    if (sialloc() != 0) {
        logf("Could not allocate enough memory");
        endRun(-3);
    }
}
