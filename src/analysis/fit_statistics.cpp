#include "analysis/fit_statistics.h"

#include <Eigen/Dense>

#include <cmath>

namespace drawfield {

std::variant<FitCovariance, Undetermined> covarianceOf(const std::vector<double>& jacobian, int m,
    int n, double variance, const std::vector<double>& measured)
{
    const Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>
        j(jacobian.data(), m, n);
    // A parameter whose e-fold change moves the computed drawdowns by less than a millionth of
    // the measured ones is not determined by them.
    double measuredSquares = 0.0;
    for (double value : measured)
        measuredSquares += value * value;
    const Eigen::VectorXd norms = j.colwise().norm().transpose();
    for (int k = 0; k < n; ++k)
        if (!(norms(k) * norms(k) > 1e-12 * measuredSquares))
            return Undetermined { static_cast<std::size_t>(k),
                " changes the computed drawdowns too little (the Jacobian is singular)." };

    // Columns of unit length, so that the rank says how far each lies from the span of the
    // others (less than 1e-5 of its length: they act only together), whatever their units.
    const Eigen::MatrixXd scaled = j * norms.cwiseInverse().asDiagonal();
    Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(scaled);
    qr.setThreshold(1e-5);
    if (qr.rank() < n)
        return Undetermined { static_cast<std::size_t>(qr.colsPermutation().indices()(qr.rank())),
            " acts on them only together with another parameter (the Jacobian is singular)." };

    // (J'J)^-1 = D^-1 (R'R)^-1 D^-1 with P: the inverse of the scaled normal matrix from R.
    const int rank = static_cast<int>(qr.rank());
    const Eigen::MatrixXd r
        = qr.matrixR().topLeftCorner(rank, rank).template triangularView<Eigen::Upper>();
    const Eigen::MatrixXd rInverse
        = r.triangularView<Eigen::Upper>().solve(Eigen::MatrixXd::Identity(rank, rank));
    const Eigen::MatrixXd pivoted = rInverse * rInverse.transpose();
    const Eigen::MatrixXd unscaled
        = qr.colsPermutation() * pivoted * qr.colsPermutation().transpose();
    const Eigen::MatrixXd inverse
        = norms.cwiseInverse().asDiagonal() * unscaled * norms.cwiseInverse().asDiagonal();

    FitCovariance covariance;
    const auto size = static_cast<std::size_t>(n);
    covariance.correlation.assign(size, std::vector<double>(size));
    for (int a = 0; a < n; ++a) {
        covariance.standardErrors.push_back(std::sqrt(variance * inverse(a, a)));
        for (int b = 0; b < n; ++b)
            covariance.correlation[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)]
                = inverse(a, b) / std::sqrt(inverse(a, a) * inverse(b, b));
    }
    return covariance;
}

} // namespace drawfield
