#include "core/edge_snap.h"

#include <algorithm>
#include <cmath>

namespace vantory {
namespace {

// The brightness along the line is sampled every quarter of a picture pixel.
constexpr double kStep = 0.25;
// The profile is smoothed by a Gaussian of this many picture pixels as it is
// differentiated: enough to quieten the noise of single pixels, little enough to keep
// edges a few pixels apart apart. It also moves the two changes of the thinnest line about
// this far out on either side of it.
constexpr double kSmoothing = 1.5;
// Each sample averages the picture across the line at these offsets (picture pixels): less
// noise, and a bias of under a hundredth of a pixel on the edge of a disc 40 pixels wide.
constexpr double kAcross[] = {-1.0, -0.5, 0.0, 0.5, 1.0};
// A change stands out when the brightness steps by this many times the noise's standard
// deviation, and by this many grey levels at least.
constexpr double kNoiseFactor = 6.0;
constexpr double kMinContrast = 8.0;
// The noise is estimated from the pixels around the end, this far on either side at most.
constexpr int kNoiseReach = 24;
// The part of a change's peak whose middle is its place.
constexpr double kTop = 0.8;

struct Vector {
  double x;
  double y;
};

// The picture between pixel centres: bilinear, the edges of the picture held.
double bilinear(const BrightnessSource& picture, double x, double y) {
  const double fx = x - 0.5;
  const double fy = y - 0.5;
  const double x0 = std::floor(fx);
  const double y0 = std::floor(fy);
  const double ax = fx - x0;
  const double ay = fy - y0;
  const int lastX = picture.width() - 1;
  const int lastY = picture.height() - 1;
  const auto column = [lastX](double i) { return static_cast<int>(std::clamp(i, 0.0, double(lastX))); };
  const auto row = [lastY](double j) { return static_cast<int>(std::clamp(j, 0.0, double(lastY))); };
  const int left = column(x0), right = column(x0 + 1);
  const int top = row(y0), bottom = row(y0 + 1);
  const double upper = (1 - ax) * picture.brightness(left, top) + ax * picture.brightness(right, top);
  const double lower = (1 - ax) * picture.brightness(left, bottom) + ax * picture.brightness(right, bottom);
  return (1 - ay) * upper + ay * lower;
}

// The standard deviation of the picture's noise around `at`, from the differences of
// neighbouring pixels: their median absolute value is robust to the few large ones that
// edges make.
double noiseAround(const BrightnessSource& picture, PicturePoint at, double reach) {
  const int half = std::clamp(static_cast<int>(std::ceil(reach)), 12, kNoiseReach);
  const int cx = static_cast<int>(std::floor(at.x));
  const int cy = static_cast<int>(std::floor(at.y));
  const int x0 = std::max(0, cx - half), x1 = std::min(picture.width() - 1, cx + half);
  const int y0 = std::max(0, cy - half), y1 = std::min(picture.height() - 1, cy + half);
  std::vector<double> differences;
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const double here = picture.brightness(x, y);
      if (x < x1) differences.push_back(std::abs(picture.brightness(x + 1, y) - here));
      if (y < y1) differences.push_back(std::abs(picture.brightness(x, y + 1) - here));
    }
  }
  if (differences.empty()) return 0;
  const auto middle = differences.begin() + static_cast<std::ptrdiff_t>(differences.size() / 2);
  std::nth_element(differences.begin(), middle, differences.end());
  // For Gaussian noise of deviation s, a difference of two pixels has deviation s * sqrt(2)
  // and a median absolute value of 0.6745 times that.
  return *middle / (0.6745 * std::sqrt(2.0));
}

// A run of the smoothed derivative of one sign: one change of brightness.
struct Lobe {
  double t = 0;         // where it peaks, picture pixels along the line from the end
  double contrast = 0;  // the brightness it changes by (its area), signed
};

// The lobes of `derivative` (samples `first` to `last` of the profile, sample k at
// t = (k - centre) * kStep), each with its place found between samples.
std::vector<Lobe> lobesOf(const std::vector<double>& derivative, int first, int last, int centre) {
  std::vector<Lobe> lobes;
  int k = first;
  while (k <= last) {
    const bool rising = derivative[k] >= 0;
    int peak = k;
    double area = 0;
    int end = k;
    for (; end <= last && (derivative[end] >= 0) == rising; ++end) {
      area += derivative[end] * kStep;
      if (std::abs(derivative[end]) > std::abs(derivative[peak])) peak = end;
    }
    // Where it peaks: the centre of the part of its top above kTop of the peak, each sample
    // weighed by how far it rises above that. A smooth peak has its top in the middle, and
    // so has the flat top of a ramp's steady change.
    const double top = kTop * std::abs(derivative[peak]);
    double weights = 0, moments = 0;
    for (int j = peak; j >= first && std::abs(derivative[j]) > top && (derivative[j] >= 0) == rising; --j) {
      weights += std::abs(derivative[j]) - top;
      moments += (std::abs(derivative[j]) - top) * j;
    }
    for (int j = peak + 1; j <= last && std::abs(derivative[j]) > top && (derivative[j] >= 0) == rising;
         ++j) {
      weights += std::abs(derivative[j]) - top;
      moments += (std::abs(derivative[j]) - top) * j;
    }
    const double offset = weights > 0 ? moments / weights - peak : 0;
    lobes.push_back({(peak - centre + offset) * kStep, area});
    k = end;
  }
  return lobes;
}

}  // namespace

Snap snapToEdge(const BrightnessSource& picture, const SnapSearch& search) {
  Snap none;
  none.at = search.end;
  const double dx = search.other.x - search.end.x;
  const double dy = search.other.y - search.end.y;
  const double length = std::hypot(dx, dy);
  if (!(length > 0) || !(search.reach > 0) || picture.width() <= 0 || picture.height() <= 0) return none;
  const Vector along{dx / length, dy / length};
  const Vector across{-along.y, along.x};

  // The profile reaches past the search's reach by the smoothing kernel and a lobe's tail.
  const int kernel = static_cast<int>(std::ceil(4 * kSmoothing / kStep));
  const int centre = static_cast<int>(std::ceil(search.reach / kStep)) + 2 * kernel;
  const int samples = 2 * centre + 1;
  std::vector<double> profile(static_cast<std::size_t>(samples));
  for (int k = 0; k < samples; ++k) {
    const double t = (k - centre) * kStep;
    double sum = 0;
    for (const double s : kAcross) {
      sum += bilinear(picture, search.end.x + t * along.x + s * across.x,
                      search.end.y + t * along.y + s * across.y);
    }
    profile[static_cast<std::size_t>(k)] = sum / std::size(kAcross);
  }

  // The derivative of the profile smoothed by a Gaussian, scaled so that a ramp of one
  // grey level a pixel gives 1.
  std::vector<double> weights(static_cast<std::size_t>(2 * kernel + 1));
  double norm = 0;
  for (int j = -kernel; j <= kernel; ++j) {
    const double t = j * kStep;
    const double w = t * std::exp(-t * t / (2 * kSmoothing * kSmoothing));
    weights[static_cast<std::size_t>(j + kernel)] = w;
    norm += t * w;
  }
  std::vector<double> derivative(static_cast<std::size_t>(samples), 0.0);
  for (int k = kernel; k < samples - kernel; ++k) {
    double sum = 0;
    for (int j = -kernel; j <= kernel; ++j) sum += profile[k + j] * weights[j + kernel];
    derivative[static_cast<std::size_t>(k)] = sum / norm;
  }
  const std::vector<Lobe> lobes = lobesOf(derivative, kernel, samples - 1 - kernel, centre);

  const double threshold =
      std::max(kMinContrast, kNoiseFactor * noiseAround(picture, search.end, search.reach));
  const auto stands = [threshold](const Lobe& lobe) { return std::abs(lobe.contrast) >= threshold; };

  // Thin lines first: two neighbouring changes of opposite sign and like size, close
  // together; their centre is the line's. What is left over are edges.
  struct Found {
    double t;
    Snap::Kind kind;
    double contrast;
  };
  std::vector<Found> found;
  std::vector<const Lobe*> strong;
  for (const Lobe& lobe : lobes) {
    if (std::abs(lobe.contrast) >= threshold / 2) strong.push_back(&lobe);
  }
  for (std::size_t i = 0; i < strong.size(); ++i) {
    const Lobe& a = *strong[i];
    if (i + 1 < strong.size()) {
      const Lobe& b = *strong[i + 1];
      const double smaller = std::min(std::abs(a.contrast), std::abs(b.contrast));
      const double larger = std::max(std::abs(a.contrast), std::abs(b.contrast));
      if ((a.contrast > 0) != (b.contrast > 0) && b.t - a.t <= search.thinLineWidth + 2 * kSmoothing &&
          smaller >= larger / 2 && smaller >= threshold) {
        found.push_back(
            {(a.t + b.t) / 2, Snap::Kind::kThinLine, (std::abs(a.contrast) + std::abs(b.contrast)) / 2});
        ++i;
        continue;
      }
    }
    if (stands(a)) found.push_back({a.t, Snap::Kind::kEdge, std::abs(a.contrast)});
  }

  const Found* nearest = nullptr;
  for (const Found& f : found) {
    if (std::abs(f.t) > search.reach) continue;
    if (nearest == nullptr || std::abs(f.t) < std::abs(nearest->t)) nearest = &f;
  }
  if (nearest == nullptr) return none;
  Snap snap;
  snap.kind = nearest->kind;
  snap.shift = nearest->t;
  snap.contrast = nearest->contrast;
  snap.at = {search.end.x + nearest->t * along.x, search.end.y + nearest->t * along.y};
  return snap;
}

}  // namespace vantory
