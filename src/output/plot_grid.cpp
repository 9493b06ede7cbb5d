#include "output/plot_grid.h"

#include <algorithm>

#include "control/state.h"
#include "grid/state.h"

namespace {

template <typename Node>
double cornerSum(int i, int j, Node node) {
    return node(i - 1, j - 1) + node(i, j - 1) + node(i - 1, j) + node(i, j);
}

}  // namespace

double columnX(int i, int j) {
    return cornerSum(i, j, [](int a, int b) { return xval[a][b]; }) / 4.0;
}

double columnY(int i, int j) {
    return cornerSum(i, j, [](int a, int b) { return yval[a][b]; }) / 4.0;
}

double cornerLevel(int i, int j, int k) {
    return cornerSum(i, j, [k](int a, int b) { return zval[a][b][k]; }) / 4.0;
}

double layerPointLevel(int i, int j, int k) {
    if (k <= 1) return cornerLevel(i, j, 1);
    if (k > znumber) return cornerLevel(i, j, znumber);
    return cellCentreLevel(i, j, k);
}

CataloguePoint volumePoint(int i, int j, int k) {
    const int cell = std::min(k, znumber);
    return {i, j, cell, cornerLevel(i, j, cell)};
}

CataloguePoint bedPoint(int i, int j) { return {i, j, 1, cornerLevel(i, j, 1)}; }

CataloguePoint surfacePoint(int i, int j) { return {i, j, znumber, cornerLevel(i, j, znumber)}; }
