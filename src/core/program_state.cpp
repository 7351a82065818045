#include "core/program_state.hpp"

#include <charconv>
#include <limits>
#include <stdexcept>

#include "build_info.hpp"
#include "core/codec.hpp"
#include "core/conversions.hpp"
#include "core/image_map.hpp"
#include "core/json.hpp"

namespace capcode {

const Image& defaultImageFor(std::uint8_t revision) {
  return revision == kHwB ? defaultImageB() : defaultImageA();
}

BuildConstants BuildConstants::ofThisBuild() {
  return BuildConstants{CAPCODE_FACTORY_EDITION, CAPCODE_BUILD_CUSTOMER,
                        CAPCODE_BUILD_LANGUAGE_LOCK};
}

ProgramState::ProgramState(Feedback& feedback, BuildConstants buildConstants)
    : build(buildConstants), State_Form(feedback), feedback_(feedback) {
  buildDesignControls(form);
  form.defineHandler("decodeImage", [this] { decodeImage(*this); });
  form.defineHandler("encodeImage", [this] { encodeImage(*this); });
  defineGlobals();
}

void ProgramState::log(std::string_view line) {
  statusLog_.emplace_back(line);
  feedback_.log(line);
}

void ProgramState::recordRuleRefusal(RuleRefusal refusal) {
  ++ruleRefusals_.count;
  if (!ruleRefusals_.first) ruleRefusals_.first = refusal;
  ruleRefusals_.last = std::move(refusal);
}

bool ProgramState::event(const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const ProgramError& error) {
    feedback_.errorNotice(error.what());
    return false;
  }
}

std::string ProgramState::modelCode() const {
  return std::string(ConfigImage.begin() + kModelCodeOffset,
                     ConfigImage.begin() + kModelCodeOffset + kModelCodeSize);
}

namespace {

long parseNumber(const std::string& text, long lo, long hi) {
  const auto parsed = parseWholeNumber(text);
  if (!parsed) throw std::invalid_argument("not a number: " + text);
  const long value = *parsed;
  if (value < lo || value > hi) {
    throw std::invalid_argument("out of range " + std::to_string(lo) + ".." + std::to_string(hi) +
                                ": " + text);
  }
  return value;
}

bool parseBool(const std::string& text) {
  if (text == "on" || text == "true" || text == "1") return true;
  if (text == "off" || text == "false" || text == "0") return false;
  throw std::invalid_argument("expected on or off: " + text);
}

template <typename T>
GlobalValue numberValue(T& ref, long lo = std::numeric_limits<T>::min(),
                        long hi = std::numeric_limits<T>::max()) {
  return {[&ref] { return std::to_string(static_cast<long>(ref)); },
          [&ref, lo, hi](const std::string& v) { ref = static_cast<T>(parseNumber(v, lo, hi)); }};
}

GlobalValue constantValue(long value) {
  return {[value] { return std::to_string(value); }, {}};
}

GlobalValue textValue(std::string& ref) {
  return {[&ref] { return jsonString(ref); }, [&ref](const std::string& v) { ref = v; }};
}

}  // namespace

void ProgramState::defineGlobals() {
  globals_["HardwareRevision"] = numberValue(HardwareRevision);
  globals_["ChannelStep"] = numberValue(ChannelStep);
  globals_["DecimalMark"] = {[this] { return jsonString(std::string(1, DecimalMark)); },
                             [this](const std::string& v) {
                               if (v != "." && v != ",") {
                                 throw std::invalid_argument("decimal mark is . or ,");
                               }
                               DecimalMark = v[0];
                             }};
  globals_["VoltageRoundUp"] = {[this] {
                                  char buf[32];
                                  auto r = std::to_chars(buf, buf + sizeof buf, VoltageRoundUp);
                                  return std::string(buf, r.ptr);
                                },
                                [this](const std::string& v) {
                                  float f = 0;
                                  auto r = std::from_chars(v.data(), v.data() + v.size(), f);
                                  if (r.ec != std::errc() || r.ptr != v.data() + v.size()) {
                                    throw std::invalid_argument("not a number: " + v);
                                  }
                                  VoltageRoundUp = f;
                                }};
  globals_["FactoryEdition"] = constantValue(build.factoryEdition);
  globals_["BuildCustomer"] = constantValue(build.buildCustomer);
  globals_["BuildLanguageLock"] = constantValue(build.buildLanguageLock);
  globals_["LanguageLibraryPath"] = textValue(LanguageLibraryPath);
  globals_["CurrentFilePath"] = textValue(CurrentFilePath);
  globals_["UsbMode"] = {[this] { return std::string(UsbMode ? "true" : "false"); },
                         [this](const std::string& v) { UsbMode = parseBool(v); }};
  globals_["LptPortBase"] = numberValue(LptPortBase);
  globals_["TransferResult"] = numberValue(TransferResult);
  globals_["ModelCode"] = {[this] { return jsonString(modelCode()); },
                           [this](const std::string& v) {
                             if (v.size() != kModelCodeSize) {
                               throw std::invalid_argument("a model code has three characters");
                             }
                             for (std::size_t i = 0; i < kModelCodeSize; ++i) {
                               ConfigImage[kModelCodeOffset + i] = static_cast<std::uint8_t>(v[i]);
                             }
                           }};
}

}  // namespace capcode
