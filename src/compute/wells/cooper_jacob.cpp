#include "compute/wells/cooper_jacob.h"

#include "compute/wells/well_function.h"

#include <cmath>

namespace drawfield {

WellFunction cooperJacobRow()
{
    return { WellMethod::CooperJacob, "cooper-jacob", "Cooper-Jacob",
        "The straight-line approximation, s = Q / (4 π T) ln(2.249 T t / (r² S)) with π taken as "
        "3.1416: the classic run. Close to Theis near the wells, where u = r² S / (4 T t) is "
        "small, and short of it farther out; the map's dashed line encloses where it stays within "
        "1 % (judged where Theis gives 1 mm or more).",
        {},
        [](const SourceTerm& term, double n, double elapsedSeconds, const Aquifer& aquifer) {
            return CooperJacobWell(term.rate, aquifer.transmissivity, aquifer.storage, elapsedSeconds)
                .contribution(n);
        },
        [](const SourceTerm& term, double elapsedSeconds, const Aquifer& aquifer) {
            return CooperJacobWell(term.rate, aquifer.transmissivity, aquifer.storage, 1.0).A
                * std::log(elapsedSeconds);
        },
        [](const SourceTerm& term, double elapsedSeconds, const Aquifer& aquifer, double) {
            return CooperJacobWell(term.rate, aquifer.transmissivity, aquifer.storage, elapsedSeconds)
                .reachSquaredMetres();
        },
        LatticePath::CooperJacob };
}

} // namespace drawfield
