#include "cli/script_runner.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "core/json.hpp"
#include "core/version_info.hpp"
#include "support/run_capcode.hpp"
#include "support/table_rows.hpp"

namespace capcode {
namespace {

using test::Outcome;

// The window as image A decoded under HW-A2, without the rest of the start-up.
const std::string decodedA = "run decodeImage\n";

Outcome runScript(const std::string& script, bool bare = false) {
  std::ostringstream out, err;
  ScriptOptions options;
  options.bare = bare;
  ScriptRunner runner(out, err, options);
  std::istringstream in(script);
  const int status = runner.run(in);
  return {status, out.str(), err.str()};
}

TEST(Script, GetPrintsTheFixedJsonForms) {
  const Outcome o = runScript(decodedA +
                                  "get address1\n"
                                  "get lcddrv\n"
                                  "get vibratetype\n"
                                  "get addr1en\n"
                                  "get urgent1A\n"
                                  "get LPT11\n"
                                  "get TrackBar1\n"
                                  "get Form1\n"
                                  "get ChannelStep\n"
                                  "get DecimalMark\n",
                              true);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(
      o.out,
      "{\"name\":\"address1\",\"text\":\"2004000\",\"enabled\":true,\"visible\":true,"
      "\"label\":\"PN\",\"hint\":\"Address1 &2 should be the same frame, addres 3,4 ,5 & 6 should "
      "be the same frame\"}\n"
      "{\"name\":\"lcddrv\",\"index\":0,\"item\":\"T6K04\",\"items\":[\"T6K04\",\"SD1815\","
      "\"ST7567A\"],\"enabled\":true,\"visible\":true,\"label\":\"LCD driver IC\","
      "\"hint\":\"No function at that moment\"}\n"
      "{\"name\":\"vibratetype\",\"index\":0,\"item\":\"Continuous\",\"items\":[\"Continuous\","
      "\"1Hz pulse\",\"A,B,C,D pattern\",\"Vanta special vibrate\"],\"enabled\":true,"
      "\"visible\":true,\"label\":\"Vibrate type\"}\n"
      "{\"name\":\"addr1en\",\"checked\":true,\"enabled\":true,\"visible\":true,"
      "\"caption\":\"[1]\"}\n"
      "{\"name\":\"urgent1A\",\"checked\":false,\"enabled\":true,\"visible\":true,"
      "\"label\":\"Uch\",\"hint\":\"Urgent call channel enable\"}\n"
      "{\"name\":\"LPT11\",\"checked\":true,\"enabled\":true,\"visible\":true,"
      "\"caption\":\"LPT1\"}\n"
      "{\"name\":\"TrackBar1\",\"position\":50,\"enabled\":true,\"visible\":true,"
      "\"label\":\"Bus Free\"}\n"
      "{\"name\":\"Form1\",\"enabled\":true,\"visible\":true,\"caption\":\"?\"}\n"
      "{\"name\":\"ChannelStep\",\"value\":0}\n"
      "{\"name\":\"DecimalMark\",\"value\":\".\"}\n");
}

TEST(Script, BareStartsFromDesignValuesAndDecodesOnRequest) {
  const Outcome o = runScript(
      "get pubbox0\nget numset\nget HardwareRevision\nrun decodeImage\nget pubbox0\n"
      "get pubboxlength5\nget frequency\nget tonepatternUcall1\n",
      true);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(
      o.out,
      "{\"name\":\"pubbox0\",\"text\":\"FOLDER 00 \",\"enabled\":true,\"visible\":true}\n"
      "{\"name\":\"numset\",\"index\":-1,\"item\":null,\"items\":[\"0-9,ABCDE'SP'\","
      "\"0-9,'NL'U'SP'-][\"],\"enabled\":true,\"visible\":true,\"label\":\"Num Char. Set\"}\n"
      "{\"name\":\"HardwareRevision\",\"value\":0}\n"
      // Folders 1-4 are inactive in image A: their names and lengths are locked.
      "{\"name\":\"pubbox0\",\"text\":\"Fdr00Name\",\"enabled\":false,\"visible\":true}\n"
      "{\"name\":\"pubboxlength5\",\"text\":\"10\",\"enabled\":true,\"visible\":true}\n"
      "{\"name\":\"frequency\",\"text\":\"163\",\"enabled\":true,\"visible\":true,"
      "\"label\":\"Channel freq\",\"unit\":\"MHz\"}\n"
      "{\"name\":\"tonepatternUcall1\",\"text\":\"CFFC\",\"enabled\":true,\"visible\":true}\n");
}

TEST(Script, TextArgumentsKeepTrailingBlanksAndJsonLiterals) {
  const Outcome o = runScript(decodedA +
                                  "set hellomsg1 NEWS  \n"
                                  "get hellomsg1\n"
                                  "set hellomsg2 \"a\\\"b\\u00e9\"\n"
                                  "get hellomsg2\n"
                                  "set hellomsg2 \"\"\n"
                                  "get hellomsg2\n"
                                  "type cannedmsgA xy\n"
                                  "key cannedmsgA backspace\n"
                                  "key cannedmsgA \" \"\n"
                                  "get cannedmsgA\n",
                              true);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(
      o.out,
      "{\"name\":\"hellomsg1\",\"text\":\"NEWS  \",\"enabled\":true,\"visible\":true}\n"
      "{\"name\":\"hellomsg2\",\"text\":\"a\\\"b\xC3\xA9\",\"enabled\":true,\"visible\":true}\n"
      "{\"name\":\"hellomsg2\",\"text\":\"\",\"enabled\":true,\"visible\":true}\n"
      "{\"name\":\"cannedmsgA\",\"text\":\"A Tone Only !x \",\"enabled\":true,"
      "\"visible\":true,\"label\":\"A\"}\n");
}

TEST(Script, PersonActionsOnDisabledOrHiddenControlsChangeNothing) {
  const Outcome o = runScript(
      "type contrast 12\nclick bs2_option\npick msgtype7 1\nkey pmsg1 x\n"
      "get contrast\nset contrast 12\nget contrast\n",
      true);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out,
            "disabled: contrast\ndisabled: bs2_option\ndisabled: msgtype7\ndisabled: pmsg1\n"
            "{\"name\":\"contrast\",\"text\":\"50\",\"enabled\":false,\"visible\":true,"
            "\"label\":\"contrast\",\"hint\":\"range 08-63\"}\n"
            "{\"name\":\"contrast\",\"text\":\"12\",\"enabled\":false,\"visible\":true,"
            "\"label\":\"contrast\",\"hint\":\"range 08-63\"}\n");
}

TEST(Script, ConversionErrorsAppearAsErrorLinesAndTheScriptGoesOn) {
  const Outcome o = runScript(decodedA +
                                  "set address3 abc\n"
                                  "run encodeImage\n"
                                  "image 0 6\n"
                                  "image 6 3\n"
                                  "set address3 2004016\n"
                                  "set Vref 2,70\n"
                                  "run decodeImage\n"
                                  "get Vref\n",
                              true);
  EXPECT_EQ(o.status, 0) << o.err;
  // Rows 1 and 2 were written before row 3 failed; row 3 kept its old bytes.
  // Once from address3's change rule, once from the encoder.
  EXPECT_EQ(o.out,
            "error: 'abc' is not a valid integer value\n"
            "error: 'abc' is not a valid integer value\n"
            "image 0x000: 84 D2 03 85 D2 03\n"
            "image 0x006: 86 D2 03\n"
            "error: '2,70' is not a valid floating point value\n"
            "{\"name\":\"Vref\",\"text\":\"2,70\",\"enabled\":true,\"visible\":true,"
            "\"label\":\"Vref\",\"unit\":\"V\"}\n");
}

TEST(Script, ImageDumpsSixteenBytesALine) {
  const Outcome o =
      runScript("image 0x3FE 2\nimage 2040 8\nset hellomsg2 x\nchecksum\nimage 0x7FF\n", true);
  EXPECT_EQ(o.status, 0) << o.err;
  char checksum[8];
  std::snprintf(checksum, sizeof checksum, "%02X", imageChecksum(defaultImageA()));
  EXPECT_EQ(o.out, "image 0x3FE: 00 00\nimage 0x7F8: FF FF FF FF FF FF FF " +
                       std::string(checksum) + "\nimage 0x7FF: " + checksum + "\n");
}

TEST(Script, ImageLoadAndSaveAreRaw) {
  const std::string shortFile = ::testing::TempDir() + "capcode_short.bin";
  const std::string saved = ::testing::TempDir() + "capcode_saved.bin";
  {
    std::ofstream f(shortFile, std::ios::binary);
    f << "\x86\xC0\x4B\x21";
  }
  const Outcome o =
      runScript("image load " + shortFile + "\nimage 0 6\nimage save " + saved + "\n", true);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "image 0x000: 86 C0 4B 21 FF FF\n");
  std::ifstream f(saved, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), kImageSize);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x86);
  EXPECT_EQ(static_cast<unsigned char>(bytes[2047]), 0xFF);
  std::remove(shortFile.c_str());
  std::remove(saved.c_str());
}

TEST(Script, ScriptErrorsStopWithStatusTwoAndTheLineNumber) {
  const test::TextAndText cases[] = {
      {"get address1\nfrobnicate x\nget address2\n", "line 2: unknown command: frobnicate"},
      {"# comment\n\nget nosuch\n", "line 3: unknown name: nosuch"},
      {"pick address1 0\n", "line 1: pick does not apply to the text field address1"},
      {"pick zoom 7\n", "line 1: no item 7 in zoom"},
      {"set addr1en maybe\n", "line 1: expected on or off, not: maybe"},
      {"type hellomsg1\n", "line 1: type needs a text after hellomsg1"},
      {"set hellomsg1 \"open\n", "line 1: malformed JSON string: \"open"},
      {"image 2047 2\n", "line 1: image range outside the 2048 bytes"},
      {"run noSuchHandler\n", "line 1: unknown handler: noSuchHandler"},
      {"key hellomsg1 ab\n", "line 1: a key is one character or backspace: ab"},
      {"set FactoryEdition 1\n", "line 1: FactoryEdition is a build constant"},
  };
  for (const auto& [script, message] : cases) {
    const Outcome o = runScript(script);
    EXPECT_EQ(o.status, 2) << script;
    EXPECT_EQ(o.err, std::string("capcode script: ") + message + "\n") << script;
  }
  // Nothing after the failing line runs.
  EXPECT_EQ(runScript("get address1\nbad\nget address2\n").out.find("address2"), std::string::npos);
}

TEST(Script, MenuTicksAndListIndexesSetWithoutRules) {
  const Outcome o = runScript("set Debug1 on\nget Debug1\nset zoom -1\nget zoom\n", true);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out,
            "{\"name\":\"Debug1\",\"checked\":true,\"enabled\":true,\"visible\":false,"
            "\"caption\":\"&Debug\"}\n"
            "{\"name\":\"zoom\",\"index\":-1,\"item\":null,\"items\":[\"Out\",\"In\"],"
            "\"enabled\":true,\"visible\":true,\"label\":\"Zoom\"}\n");
}

}  // namespace
}  // namespace capcode

namespace capcode {
namespace {

// The editing rules as a technician meets them, through the automation.
TEST(ScriptRules, EditingExamplesHoldEndToEnd) {
  const Outcome o = runScript(decodedA +
                                  "set address1 5\n"
                                  "leave address1\n"
                                  "get address1\n"
                                  "set address1 2004000\n"
                                  "leave address1\n"
                                  "set address1 \"\"\n"
                                  "type address1 2004001\n"
                                  "get address2\n"
                                  "set frequency \"\"\n"
                                  "type frequency 14656250\n"
                                  "get frequency\n"
                                  "set pll 0\n"
                                  "set frequency 146.5612\n"
                                  "leave frequency\n"
                                  "get frequency\n"
                                  "get ChannelStep\n"
                                  "click FS81701\n"
                                  "get Recover1\n",
                              true);
  EXPECT_EQ(o.status, 0) << o.err;
  const std::string range =
      "log: Address [1] range out, should be within 8-2007663; 2007672-2045055; 2045064-2097143\n";
  const std::string capcodeLabel =
      "\"label\":\"PN\",\"hint\":\"Address1 &2 should be the same frame, addres 3,4 ,5 & 6 "
      "should be the same frame\"}\n";
  EXPECT_EQ(o.out,
            "beep\n" + range + "focus: address1\nbeep\n" + range +
                "focus: address1\n"
                "{\"name\":\"address1\",\"text\":\"0000005\",\"enabled\":true,\"visible\":true," +
                capcodeLabel +
                "{\"name\":\"address2\",\"text\":\"2004009\",\"enabled\":true,\"visible\":true," +
                capcodeLabel +
                "{\"name\":\"frequency\",\"text\":\"146.56250\",\"enabled\":true,\"visible\":true,"
                "\"label\":\"Channel freq\",\"unit\":\"MHz\"}\n"
                "{\"name\":\"frequency\",\"text\":\"146.56000\",\"enabled\":true,\"visible\":true,"
                "\"label\":\"Channel freq\",\"unit\":\"MHz\"}\n"
                "{\"name\":\"ChannelStep\",\"value\":5000}\n"
                "{\"name\":\"Recover1\",\"checked\":true,\"enabled\":true,\"visible\":true,"
                "\"caption\":\"&Recover\"}\n");
}

}  // namespace
}  // namespace capcode

namespace capcode {
namespace {

Outcome runWith(const std::string& script, ScriptOptions options) {
  std::ostringstream out, err;
  ScriptRunner runner(out, err, options);
  std::istringstream in(script);
  const int status = runner.run(in);
  return {status, out.str(), err.str()};
}

TEST(ScriptStartup, TheBannerComesFirstAndTheWindowEndsAtHwB) {
  ScriptOptions options;
  options.dataDirectory = CAPCODE_SOURCE_DATA_DIR;
  const Outcome o = runWith("get Form1\nget HardwareRevision\n", options);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out,
            "log: M61V10 USB CapCode Programmer Windows version " +
                fileVersionText(readVersionInfo()) +
                "\n{\"name\":\"Form1\",\"enabled\":true,\"visible\":true,\"caption\":\"M61V10 "
                "Capcode Programmer Customer Version\"}\n"
                "{\"name\":\"HardwareRevision\",\"value\":2}\n");
}

TEST(ScriptStartup, DataDirectoryAndDecimalMarkOptions) {
  ScriptOptions options;
  options.dataDirectory = "/nonexistent-capcode-data";
  options.decimalMark = ',';
  const Outcome o = runWith("get frequency\nget DecimalMark\n", options);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("log: Language file error\nbeep\n"), std::string::npos);
  EXPECT_NE(o.out.find("\"text\":\"163,00000\""), std::string::npos);
  EXPECT_NE(o.out.find("{\"name\":\"DecimalMark\",\"value\":\",\"}"), std::string::npos);
}

TEST(ScriptFiles, SaveOpenAndCancel) {
  const std::string path = ::testing::TempDir() + "capcode_script_files.eep";
  std::remove(path.c_str());
  ScriptOptions options;
  options.dataDirectory = CAPCODE_SOURCE_DATA_DIR;
  const Outcome o = runWith(
      "save " + path + "\nopen cancel\nsave cancel\nopen " + path + "\nget CurrentFilePath\n",
      options);
  EXPECT_EQ(o.status, 0) << o.err;
  const std::size_t banner = o.out.find('\n') + 1;
  EXPECT_EQ(o.out.substr(banner), "log: Save data to " + path + "\nlog: ok!\nlog: Load data from " +
                                      path +
                                      "\nlog: File loaded\n{\"name\":\"CurrentFilePath\","
                                      "\"value\":\"" +
                                      path + "\"}\n");
  std::remove(path.c_str());
}

TEST(ScriptFiles, ExitEndsTheScript) {
  const Outcome o = runScript("click About1\nclick Exit1\nget address1\n", true);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "log: M61V10 USB CapCode Programmer Windows version " +
                       fileVersionText(readVersionInfo()) + "\n");
}

TEST(ScriptFiles, HiddenMenuItemsAnswerTheirShortcutDisabledOnesDoNot) {
  const Outcome o = runScript("click switch_model\nget switch_model\nset switch_model off\n", true);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("\"caption\":\"&HW-A3\""), std::string::npos);
}

}  // namespace
}  // namespace capcode

namespace capcode {
namespace {

std::string tempImage(const char* name, const Image& image) {
  const std::string path = ::testing::TempDir() + name;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(image.data()), kImageSize);
  return path;
}

Image readImage(const std::string& path) {
  Image image{};
  std::ifstream file(path, std::ios::binary);
  file.read(reinterpret_cast<char*>(image.data()), kImageSize);
  return image;
}

// A pager as this window would leave it after a save.
Image savedPager() {
  ScriptOptions options;
  options.dataDirectory = CAPCODE_SOURCE_DATA_DIR;
  const std::string path = ::testing::TempDir() + "capcode_saved_pager.eep";
  runWith("save " + path + "\n", options);
  return readImage(path);
}

Outcome runSimulated(const std::string& script, HardwareOptions hardware) {
  ScriptOptions options;
  options.dataDirectory = CAPCODE_SOURCE_DATA_DIR;
  options.hardware = std::move(hardware);
  return runWith(script, options);
}

TEST(ScriptHardware, UsbReadWriteThroughTheSimulatedBox) {
  const Image pager = savedPager();
  HardwareOptions hardware;
  hardware.simUsbImage = tempImage("capcode_sim_usb.eep", pager);
  const Outcome o =
      runSimulated("read\nset autoinc1 8\nset address5 2000000\nwrite\nget address1\n", hardware);
  EXPECT_EQ(o.status, 0) << o.err;
  for (const char* line :
       {"log: USB port is ready.\n", "log: Read data from pager\n", "log: Read completed\n",
        "log: Write to Pager...\n", "log: Verify OK !\n", "\"text\":\"2004008\""}) {
    EXPECT_NE(o.out.find(line), std::string::npos) << line << "\n" << o.out;
  }
  const Image written = readImage(*hardware.simUsbImage);
  EXPECT_TRUE(checksumValid(written));
  // Row 5 as edited before the write: 2000000, enabled.
  EXPECT_EQ(written[0x010], 0x86);
}

TEST(ScriptHardware, CrcErrorOnTheFifthBlockStopsTheWrite) {
  HardwareOptions hardware;
  hardware.simUsbImage = tempImage("capcode_sim_crc.eep", savedPager());
  hardware.faults = {"write:5:C"};
  const Outcome o = runSimulated("set autoinc1 8\nwrite\nget address1\n", hardware);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(
      o.out.find("message: CRC error!\nlog: Device not exist, please check the connection.\n"),
      std::string::npos)
      << o.out;
  EXPECT_NE(o.out.find("\"text\":\"2004000\""), std::string::npos);
}

TEST(ScriptHardware, ParallelPortGivesTheSameImages) {
  const Image pager = savedPager();
  HardwareOptions usb, lpt;
  usb.simUsbImage = tempImage("capcode_same_usb.eep", pager);
  lpt.simLptImage = tempImage("capcode_same_lpt.eep", pager);
  const std::string script = "read\nset hellomsg2 \"NEW HELLO\"\nwrite\n";
  const Outcome viaUsb = runSimulated(script, usb);
  const Outcome viaLpt = runSimulated(script, lpt);
  EXPECT_NE(viaLpt.out.find("log: Verify OK !"), std::string::npos) << viaLpt.out;
  EXPECT_EQ(readImage(*usb.simUsbImage), readImage(*lpt.simLptImage));
  EXPECT_EQ(readImageText(readImage(*lpt.simLptImage), 0x254).substr(0, 20),
            "NEW HELLO           ");
}

TEST(ScriptHardware, MissingChipAndUnplug) {
  HardwareOptions lpt;
  lpt.simLptImage = tempImage("capcode_nochip.eep", savedPager());
  lpt.faults = {"nochip"};
  EXPECT_NE(
      runSimulated("read\n", lpt).out.find("log: Device not exist, please check the connection."),
      std::string::npos);

  HardwareOptions usb;
  usb.simUsbImage = tempImage("capcode_unplug.eep", savedPager());
  const Outcome o = runSimulated("unplug\nread\nget WriteToPager\nplug\nget ReadFromPager\n", usb);
  EXPECT_NE(o.out.find("log: USB port unplug.\ndisabled: ReadFromPager\n"), std::string::npos)
      << o.out;
  EXPECT_NE(o.out.find("log: USB port is ready.\n{\"name\":\"ReadFromPager\",\"checked\":false,"
                       "\"enabled\":true"),
            std::string::npos)
      << o.out;

  usb.simProduct = "P-2 Programmer";
  const Outcome wrongCase = runSimulated("get UsbMode\n", usb);
  EXPECT_EQ(wrongCase.out.find("USB port is ready."), std::string::npos);
  EXPECT_NE(wrongCase.out.find("{\"name\":\"UsbMode\",\"value\":false}"), std::string::npos);
}

TEST(ScriptHardware, ASilentBoxEndsTheCommandWithinSeconds) {
  HardwareOptions usb;
  usb.simUsbImage = tempImage("capcode_silent.eep", savedPager());
  usb.faults = {"read:2:silent"};
  const auto start = std::chrono::steady_clock::now();
  const Outcome o = runSimulated("read\n", usb);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, std::chrono::seconds(5));
  EXPECT_NE(o.out.find("log: Device not exist, please check the connection."), std::string::npos);
}

TEST(ScriptHardware, BadFaultSpellingIsRefused) {
  ScriptOptions options;
  options.hardware.faults = {"write:x"};
  std::ostringstream out, err;
  EXPECT_THROW(ScriptRunner(out, err, options), std::runtime_error);
}

}  // namespace
}  // namespace capcode

namespace capcode {
namespace {

TEST(ScriptJson, AnyDecodedBytesPrintAsJsonAndReadBackTheSame) {
  Image noisy{};
  for (std::size_t i = 0; i < noisy.size(); ++i)
    noisy[i] = static_cast<std::uint8_t>(i * 37 + 11);
  for (std::size_t i = 0; i < 9; ++i)
    noisy[0x06A + i] = static_cast<std::uint8_t>(0x80 + i * 15);
  noisy[0x06A + 3] = '"';
  noisy[0x06A + 4] = 0x07;
  const std::string path = tempImage("capcode_noisy.eep", noisy);
  const Outcome o = runScript("image load " + path + "\nrun decodeImage\nget pubbox0\n", true);
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string line = o.out.substr(o.out.rfind("{\"name\":\"pubbox0\""));
  const std::size_t start = line.find("\"text\":") + 7;
  const std::size_t end = line.find(",\"enabled\"");
  const auto text = parseJsonString(line.substr(start, end - start));
  ASSERT_TRUE(text) << line;
  EXPECT_EQ(*text, std::string(reinterpret_cast<const char*>(&noisy[0x06A]), 9));
  // The same bytes go back in through a JSON argument.
  const Outcome back =
      runScript("set pubbox1 " + line.substr(start, end - start) + "\nget pubbox1\n", true);
  EXPECT_NE(back.out.find(line.substr(start, end - start)), std::string::npos);
}

}  // namespace
}  // namespace capcode
