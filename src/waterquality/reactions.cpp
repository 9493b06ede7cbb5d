#include "waterquality/reactions.h"

#include <algorithm>

#include "equations/state.h"
#include "grid/state.h"
#include "waterquality/state.h"

namespace {

double constant(const TermInput& t) { return t.V1 * t.M; }
double firstOrder(const TermInput& t) { return t.V1 * t.M * t.a; }
double secondOrder(const TermInput& t) { return t.V1 * t.M * t.a * t.b; }
double boundedProduct(const TermInput& t) { return std::max(t.V1 * t.a * t.b, t.b) * t.M; }
double verticalGradient(const TermInput& t) { return t.V1 * 1000.0 * t.A * (t.aAbove - t.a); }
double relaxation(const TermInput& t) { return t.V1 * t.M * (t.V2 - t.C); }

// V2 of types 4, 1004 and 2004 enters no term; type 1002 relaxes towards V2,
// which its Q line never gives (0); type 5 takes the gradient of compA, which
// its Q line never gives (component 0).
constexpr ReactionTerm kTerms[] = {
    {1, TermCells::Interior, constant},
    {2, TermCells::Interior, firstOrder},
    {3, TermCells::Interior, secondOrder},
    {4, TermCells::Interior, boundedProduct},
    {5, TermCells::Interior, verticalGradient},
    {1001, TermCells::Top, constant},
    {1002, TermCells::Top, relaxation},
    {1003, TermCells::Top, secondOrder},
    {1004, TermCells::Top, boundedProduct},
    {1012, TermCells::Top, firstOrder},
    {2001, TermCells::Bed, constant},
    {2002, TermCells::Bed, firstOrder},
    {2003, TermCells::Bed, secondOrder},
    {2004, TermCells::Bed, boundedProduct},
};

bool componentExists(int c) { return c >= 0 && c < NoComponents; }

// Adds the term of record q to cell (i, j, k).
void addAt(const ReactionTerm& row, const QTerm& q, int c, int i, int j, int k) {
    const double M = 2.0 * m_armap[i][j] * m_dist_z[i][j][k] * 1000.0;
    const TermInput t{q.value1, q.value2, M, m_armap[i][j], comp[c][i][j][k], comp[q.compA][i][j][k],
                      comp[q.compB][i][j][k], comp[q.compA][i][j][k + 1]};
    source[i][j][k] += row.amount(t);
}

// The records of component c whose terms act on `cells`, in record order.
template <class Fn>
void forRecords(int c, TermCells cells, Fn&& fn) {
    for (int n = 0; n < NoTerms; ++n) {
        const QTerm& q = QTerms[n];
        if (q.component != c || !componentExists(q.compA) || !componentExists(q.compB)) continue;
        const ReactionTerm* row = reactionTerm(q.type);
        if (row && row->cells == cells) fn(*row, q);
    }
}

}  // namespace

const ReactionTerm* reactionTerm(int type) {
    for (const ReactionTerm& row : kTerms)
        if (row.type == type) return &row;
    return nullptr;
}

void addReactionTerms(int c) {
    if (!componentExists(c)) return;
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) forRecords(c, TermCells::Top, [&](const ReactionTerm& row, const QTerm& q) {
                addAt(row, q, c, i, j, Z);
            });
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) forRecords(c, TermCells::Bed, [&](const ReactionTerm& row, const QTerm& q) {
                addAt(row, q, c, i, j, 2);
            });
    forRecords(c, TermCells::Interior, [&](const ReactionTerm& row, const QTerm& q) {
        for (int i = 2; i <= X; ++i)
            for (int j = 2; j <= Y; ++j)
                for (int k = 2; k <= Z; ++k) addAt(row, q, c, i, j, k);
    });
}
