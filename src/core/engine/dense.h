#pragma once
// Small dense matrices with an in-place factorisation: the Jacobian of the fixed-voltage solvers and any
// other square system too small or too full for the sparse contour machinery.
//
// Factorised form: the diagonal holds the inverted pivots, the lower triangle the negated multipliers,
// the upper triangle the negated upper rows scaled by their pivot. Rows are eliminated in their own order
// (no exchanges): the systems solved here are diagonally dominant by construction (sensitivities of a
// node's power to its own angle and module, loop impedances), and a caller may keep and reuse the factor.
#include <vector>

namespace ld {

// A vector of Doubles and a matrix of rows, indexed from 0 (the same types the engine declares).
using Vector = std::vector<double>;
using Matrix = std::vector<Vector>;

// M becomes Rows rows of Cols zeros.
void NewMatrix(int rows, int cols, Matrix& m);
void FreeMatrix(Matrix& m);

// Factorises the square matrix in place. Returns false when a pivot vanishes (against the largest entry
// of the matrix it is rounding noise) or an entry is not finite; M is then partly eliminated and must not
// be solved. A matrix whose rows are not all as long as it is tall is refused unchanged.
bool FactoriseMatrix(Matrix& m);

// Solves in place with a matrix factorised by FactoriseMatrix: V holds the right-hand side on entry and
// the solution on return. Only the first min(rows, V's size) entries take part.
void SolveMatrix(const Matrix& m, Vector& v);

}  // namespace ld
