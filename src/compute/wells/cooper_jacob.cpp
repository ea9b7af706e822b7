#include "compute/wells/cooper_jacob.h"

#include "compute/wells/vector_clones.h"
#include "compute/wells/well_function.h"

#include <cmath>

namespace drawfield {
namespace {

    // u for the nodes j = first .. first + count - 1 of a row at squared vertical distance d2.
    DRAWFIELD_VECTOR_CLONES
    void uAlongRow(const CooperJacobWell& well, int first, int count, double d2, double* out)
    {
        const CooperJacobWell cone
            = well; // a local copy: out cannot alias it, so the loop vectorizes
        // 32-bit indices: their conversion to double vectorizes, a 64-bit one does not.
        for (int i = 0; i < count; ++i) {
            double j = static_cast<double>(first + i);
            out[i] = cone.u(j * j + d2);
        }
    }

    DRAWFIELD_VECTOR_CLONES
    void uOfSquaredDistances(const CooperJacobWell& well, const double* n, int count, double* out)
    {
        const CooperJacobWell cone = well;
        for (int i = 0; i < count; ++i)
            out[i] = cone.u(n[i]);
    }

    // A ln u, unclamped: the engine asks only within the source's reach, where u > 1.
    void termsFromU(const CooperJacobWell& well, double* values, int count)
    {
        for (int i = 0; i < count; ++i)
            values[i] = well.A * std::log(values[i]);
    }

    class CooperJacobTerms final : public LatticeTerms {
    public:
        explicit CooperJacobTerms(const CooperJacobWell& cone)
            : m_cone(cone)
        {
        }
        void alongRow(long long first, int count, double d2, double* out) const override
        {
            uAlongRow(m_cone, static_cast<int>(first), count, d2, out);
            termsFromU(m_cone, out, count);
        }
        void atSquaredDistances(const double* n, int count, double* out) const override
        {
            uOfSquaredDistances(m_cone, n, count, out);
            termsFromU(m_cone, out, count);
        }
        [[nodiscard]] double at(double n) const override { return m_cone.contribution(n); }

    private:
        CooperJacobWell m_cone;
    };

} // namespace

WellFunction cooperJacobRow()
{
    return { WellMethod::CooperJacob, "cooper-jacob", "Cooper-Jacob",
        "The straight-line approximation, s = Q / (4 π T) ln(2.249 T t / (r² S)) with π taken as "
        "3.1416: the classic run. Close to Theis near the wells, where u = r² S / (4 T t) is "
        "small, and short of it farther out; the map's dashed line encloses where it stays within "
        "1 % (judged where Theis gives 1 mm or more).",
        {},
        [](const SourceTerm& term, double n, double elapsedSeconds, const Aquifer& aquifer) {
            return CooperJacobWell(
                term.rate, aquifer.transmissivity, aquifer.storage, elapsedSeconds)
                .contribution(n);
        },
        [](const SourceTerm& term, double elapsedSeconds, const Aquifer& aquifer) {
            return CooperJacobWell(term.rate, aquifer.transmissivity, aquifer.storage, 1.0).A
                * std::log(elapsedSeconds);
        },
        [](const SourceTerm& term, double elapsedSeconds, const Aquifer& aquifer, double) {
            return CooperJacobWell(
                term.rate, aquifer.transmissivity, aquifer.storage, elapsedSeconds)
                .reachSquaredMetres();
        },
        [](std::span<const LatticeSource> sources, const Aquifer& aquifer) {
            std::vector<std::shared_ptr<const LatticeTerms>> terms;
            for (const LatticeSource& source : sources)
                terms.push_back(std::make_shared<CooperJacobTerms>(CooperJacobWell(source.term.rate,
                    aquifer.transmissivity, aquifer.storage, source.elapsedSeconds)));
            return terms;
        } };
}

} // namespace drawfield
