#include "oro/eq/curve_fit.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "oro/common/eq_coefficients.h"
#include "oro/eq/response.h"

namespace oro::eq {
namespace {

constexpr std::size_t kBands = common::kEqBandCount;
using Vector = std::array<double, kBands>;

double BandDb(std::size_t band, double gain, double hz, double fs) {
  const auto& def = common::kEqBands[band];
  return SectionResponseDb(
      common::PeakingCoefficients(static_cast<float>(fs), def.centre_hz, static_cast<float>(gain), def.bandwidth_hz),
      hz, fs);
}

struct Problem {
  std::vector<double> hz;
  std::vector<double> target;
  double fs;

  std::vector<double> Residual(const Vector& g) const {
    std::vector<double> r(hz.size());
    for (std::size_t k = 0; k < hz.size(); ++k) {
      double db = 0;
      for (std::size_t b = 0; b < kBands; ++b) db += BandDb(b, g[b], hz[k], fs);
      r[k] = db - target[k];
    }
    return r;
  }
  static double Cost(const std::vector<double>& r) {
    double sum = 0;
    for (double v : r) sum += v * v;
    return sum;
  }
};

// Solves the symmetric positive definite system m x = v in place.
bool Solve(std::array<Vector, kBands> m, Vector v, Vector* x) {
  for (std::size_t c = 0; c < kBands; ++c) {
    std::size_t pivot = c;
    for (std::size_t r = c + 1; r < kBands; ++r) {
      if (std::fabs(m[r][c]) > std::fabs(m[pivot][c])) pivot = r;
    }
    if (std::fabs(m[pivot][c]) < 1e-15) return false;
    std::swap(m[c], m[pivot]);
    std::swap(v[c], v[pivot]);
    for (std::size_t r = c + 1; r < kBands; ++r) {
      const double f = m[r][c] / m[c][c];
      for (std::size_t k = c; k < kBands; ++k) m[r][k] -= f * m[c][k];
      v[r] -= f * v[c];
    }
  }
  for (std::size_t c = kBands; c-- > 0;) {
    double s = v[c];
    for (std::size_t k = c + 1; k < kBands; ++k) s -= m[c][k] * (*x)[k];
    (*x)[c] = s / m[c][c];
  }
  return true;
}

// Levenberg-Marquardt on continuous gains, kept within the slider range.
Vector FitContinuous(const Problem& p) {
  Vector g{};
  std::vector<double> r = p.Residual(g);
  double cost = Problem::Cost(r);
  double lambda = 1e-2;
  constexpr double kStep = 0.05;  // dB, for the numerical derivative
  // A band the curve barely reaches must not wander off on noise.
  constexpr double kRidge = 1e-4;
  for (int iter = 0; iter < 60 && lambda < 1e8; ++iter) {
    std::array<std::vector<double>, kBands> jac;
    for (std::size_t b = 0; b < kBands; ++b) {
      jac[b].resize(p.hz.size());
      for (std::size_t k = 0; k < p.hz.size(); ++k) {
        jac[b][k] = (BandDb(b, g[b] + kStep, p.hz[k], p.fs) - BandDb(b, g[b] - kStep, p.hz[k], p.fs)) / (2 * kStep);
      }
    }
    std::array<Vector, kBands> jtj{};
    Vector jtr{};
    for (std::size_t a = 0; a < kBands; ++a) {
      for (std::size_t k = 0; k < p.hz.size(); ++k) jtr[a] -= jac[a][k] * r[k];
      for (std::size_t b = a; b < kBands; ++b) {
        double s = 0;
        for (std::size_t k = 0; k < p.hz.size(); ++k) s += jac[a][k] * jac[b][k];
        jtj[a][b] = jtj[b][a] = s;
      }
    }
    bool improved = false;
    while (!improved && lambda < 1e8) {
      std::array<Vector, kBands> m = jtj;
      for (std::size_t a = 0; a < kBands; ++a) m[a][a] += lambda * jtj[a][a] + kRidge * p.hz.size();
      Vector delta{};
      if (!Solve(m, jtr, &delta)) {
        lambda *= 10;
        continue;
      }
      Vector next = g;
      for (std::size_t b = 0; b < kBands; ++b) {
        next[b] = std::clamp(g[b] + delta[b], double(common::kEqGainMin), double(common::kEqGainMax));
      }
      std::vector<double> nr = p.Residual(next);
      const double nc = Problem::Cost(nr);
      if (nc < cost) {
        const double gain = cost - nc;
        g = next;
        r = std::move(nr);
        cost = nc;
        lambda = std::max(lambda / 10, 1e-7);
        improved = true;
        if (gain < 1e-9 * (1 + cost)) return g;
      } else {
        lambda *= 10;
      }
    }
  }
  return g;
}

// Whole-dB gains: rounded, then moved one dB at a time while that lowers the error.
Gains FitWhole(const Problem& p, const Vector& continuous) {
  Vector g{};
  for (std::size_t b = 0; b < kBands; ++b) g[b] = std::round(continuous[b]);
  double cost = Problem::Cost(p.Residual(g));
  for (bool moved = true; moved;) {
    moved = false;
    for (std::size_t b = 0; b < kBands; ++b) {
      for (double step : {-1.0, 1.0}) {
        Vector next = g;
        next[b] += step;
        if (next[b] < common::kEqGainMin || next[b] > common::kEqGainMax) continue;
        const double c = Problem::Cost(p.Residual(next));
        if (c < cost - 1e-12) {
          g = next;
          cost = c;
          moved = true;
        }
      }
    }
  }
  Gains out{};
  for (std::size_t b = 0; b < kBands; ++b) out[b] = static_cast<int>(g[b]);
  return out;
}

// Level of the curve at `hz`, linear in log frequency between its points.
double CurveAt(const std::vector<CurvePoint>& curve, double hz) {
  const auto upper =
      std::lower_bound(curve.begin(), curve.end(), hz, [](const CurvePoint& p, double f) { return p.hz < f; });
  if (upper == curve.begin()) return upper->db;
  if (upper == curve.end()) return curve.back().db;
  const auto lower = upper - 1;
  const double t = std::log(hz / lower->hz) / std::log(upper->hz / lower->hz);
  return lower->db + t * (upper->db - lower->db);
}

}  // namespace

double GainsResponseDb(const Gains& gains, double hz, double fs) {
  double db = 0;
  for (std::size_t b = 0; b < kBands; ++b) db += BandDb(b, gains[b], hz, fs);
  return db;
}

BandFit FitBands(const std::vector<CurvePoint>& curve, double fs) {
  BandFit fit;
  if (curve.size() < 2) {
    fit.error = "the curve needs at least two points";
    return fit;
  }
  fit.low_hz = std::max(kFitLowHz, curve.front().hz);
  fit.high_hz = std::min({kFitHighHz, curve.back().hz, 0.45 * fs});
  if (!(fit.high_hz > fit.low_hz * 1.01)) {
    fit.error = "the curve does not cover the audible range (20 Hz to 20 kHz)";
    return fit;
  }

  Problem p;
  p.fs = fs;
  const auto steps = static_cast<std::size_t>(std::ceil(std::log2(fit.high_hz / fit.low_hz) * 24.0));
  p.hz = LogFrequencies(fit.low_hz, fit.high_hz, std::max<std::size_t>(steps + 1, 2));
  for (double f : p.hz) p.target.push_back(CurveAt(curve, f));

  fit.gains = FitWhole(p, FitContinuous(p));
  Vector whole{};
  for (std::size_t b = 0; b < kBands; ++b) whole[b] = fit.gains[b];
  const std::vector<double> residual = p.Residual(whole);
  double sum = 0;
  for (double v : residual) {
    sum += v * v;
    fit.max_error_db = std::max(fit.max_error_db, std::fabs(v));
  }
  fit.rms_error_db = std::sqrt(sum / static_cast<double>(residual.size()));
  return fit;
}

}  // namespace oro::eq
