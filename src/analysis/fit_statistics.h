#pragma once

// What the readings say of the fitted parameters' uncertainty: the covariance of the numbers the
// fit moved, from the Jacobian of the residuals at the optimum.

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

namespace drawfield {

struct FitCovariance {
    std::vector<double> standardErrors; // of each number the fit moved
    std::vector<std::vector<double>> correlation; // of each pair
};

// A parameter the readings do not determine, and how: " changes the computed drawdowns too
// little (...)" or " acts on them only together with another parameter (...)".
struct Undetermined {
    std::size_t parameter = 0;
    std::string how;
};

// From the Jacobian (m readings by n numbers, row by row), the residuals' variance and the
// measured drawdowns. The Jacobian is decomposed with its columns pivoted (Eigen's
// ColPivHouseholderQR, each column scaled to unit length first): a rank below n names the
// parameter left over; a column that moves the drawdowns by less than a millionth of the measured
// ones names its own.
[[nodiscard]] std::variant<FitCovariance, Undetermined> covarianceOf(
    const std::vector<double>& jacobian, int m, int n, double variance,
    const std::vector<double>& measured);

} // namespace drawfield
