// State of the reader of `control`.
#pragma once

// The sizes in effect when a reading of `control` began (those of the
// pre-read of G 1): the data sets before the first G 1 were checked against
// them, so that G 1 may not make any of them smaller.
struct GridSizes {
    int x, y, z, l;
};
// Writers: setRecordDefaults.
extern GridSizes sizesAtStart;
