// The deterministic responses a model can take, and the one place that
// lists them. A response is a class that gives, for a parameter set in
// natural order (its own parameters first, then phi, c and sigma2 of the
// noise) and the steps of the run:
//
//   kName, kRows           its name and its parameter rows (model_parameters.h)
//   levelWeight()          the level row [a11, a12] of the transition of the
//   noiseWeight()            state (h, z); the noise row is [0, phi]
//   predictedLevel(k, x1, x2)
//                          the level predicted at step k from the level and
//                          the noise of the step before (noise mean included;
//                          its own expression, so that the order of its
//                          operations is its own)
//   deterministic(k, d)    d_k from d_{k-1}: the simulation's step
//
// A response is resolved once per pass (withResponse); its functions are
// inlined into the pass.
//
// A new response: its unit, and here its enumerator, its place in
// kResponseKinds and its case of withResponse.
//
// Entry points: ResponseKind, Response, withResponse, parameterTable,
// responseName, responseByName.
#pragma once

#include <concepts>
#include <optional>
#include <string>
#include <string_view>

#include "engine/exponential_response.h"
#include "engine/model_parameters.h"
#include "engine/step_table.h"
#include "error.h"

namespace phreatix {

template <class R>
concept Response = requires(const R& r, const Parameters& p, const StepTable& steps, int k,
                            double x) {
  { R::kName } -> std::convertible_to<const char*>;
  { R::kRows } -> std::convertible_to<ParameterRows>;
  R(p, steps);
  { r.levelWeight() } -> std::same_as<double>;
  { r.noiseWeight() } -> std::same_as<double>;
  { r.predictedLevel(k, x, x) } -> std::same_as<double>;
  { r.deterministic(k, x) } -> std::same_as<double>;
};

// The first is the default.
enum class ResponseKind : int { kExponential };
inline constexpr ResponseKind kResponseKinds[] = {ResponseKind::kExponential};

// Calls f.template operator()<R>() with the response class R of `kind`.
template <class F>
decltype(auto) withResponse(ResponseKind kind, F&& f) {
  switch (kind) {
    case ResponseKind::kExponential:
      return f.template operator()<ExponentialResponse>();
  }
  throw Error(ErrorKind::kIndex, "response " + std::to_string(static_cast<int>(kind)) +
                                     " is not one of the program's");
}

// The parameter table of a response: its rows and the noise's.
template <Response R>
inline constexpr ParameterTable kParameterTableOf = joinRows(R::kRows);

inline const ParameterTable& parameterTable(ResponseKind kind) {
  return withResponse(kind,
                      []<class R>() -> const ParameterTable& { return kParameterTableOf<R>; });
}

inline const char* responseName(ResponseKind kind) {
  return withResponse(kind, []<class R>() { return R::kName; });
}

// The response of a name, if any.
inline std::optional<ResponseKind> responseByName(std::string_view name) {
  for (ResponseKind kind : kResponseKinds) {
    if (name == responseName(kind)) return kind;
  }
  return std::nullopt;
}

}  // namespace phreatix
