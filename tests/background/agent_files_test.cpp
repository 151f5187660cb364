#include <gtest/gtest.h>

#include <system_error>

#include "background/property_list.h"
#include "background/systemd_unit.h"

namespace {

TEST(PropertyList, ReadsWhatOtherWritersMake) {
  const auto read = PropertyList::parse(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\r\n"
      "<plist version=\"1.0\">\r\n<!-- comment -->\r\n<dict>\r\n"
      "  <key>A&amp;B</key><string>x &lt;&#26085;&#x672C;&gt; <![CDATA[<raw>&amp;]]>\r\n"
      "y</string>\r\n"
      "  <key>Empty</key><string/>\r\n"
      "  <key>List</key><array><true/><false></false><integer>-3</integer><real>1.5</real>"
      "<dict/></array>\r\n"
      "</dict>\r\n</plist>\r\n");
  ASSERT_TRUE(read.has_value());
  ASSERT_NE(read->find("A&B"), nullptr);
  EXPECT_EQ(read->find("A&B")->text, "x <日本> <raw>&amp;\ny");
  EXPECT_EQ(*read->find("Empty"), PlistValue::makeString(""));
  const PlistValue* list = read->find("List");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->items.size(), 5u);
  EXPECT_EQ(list->items[0], PlistValue::makeBoolean(true));
  EXPECT_EQ(list->items[1], PlistValue::makeBoolean(false));
  EXPECT_EQ(list->items[2], PlistValue::makeInteger(-3));
  EXPECT_EQ(list->items[3].kind, PlistValue::Kind::other);
  EXPECT_EQ(list->items[4], PlistValue::makeDictionary({}));
}

TEST(PropertyList, RefusesWhatIsNotAPropertyList) {
  for (const char* text : {
           "",
           "<dict></dict>",
           "<plist><dict><key>a</key></dict></plist>",
           "<plist><dict><string>a</string><string>b</string></dict></plist>",
           "<plist><string>a</plist>",
           "<plist><string>&bogus;</string></plist>",
           "<plist><string>&#0;</string></plist>",
           "<plist><string>a</string></plist> trailing",
           "<plist><foo/></plist>",
           "<!DOCTYPE plist [<!ENTITY x \"y\">]><plist><string>&x;</string></plist>",
       }) {
    EXPECT_FALSE(PropertyList::parse(text).has_value()) << text;
  }
}

TEST(PropertyList, WritesTextThatReadsBackExactly) {
  const PlistValue value = PlistValue::makeDictionary({
      {"k<&>",
       PlistValue::makeArray({PlistValue::makeString("a\r\nb\rc\td ]]> \"'"),
                              PlistValue::makeString("日本語"), PlistValue::makeInteger(600),
                              PlistValue::makeBoolean(true)})},
  });
  EXPECT_EQ(PropertyList::parse(PropertyList::xml(value)), value);

  for (const char* text : {"bell\a", "\xFF", "\xEF\xBF\xBE"}) {
    EXPECT_THROW(PropertyList::xml(PlistValue::makeString(text)), std::system_error) << text;
  }
}

TEST(SystemdUnit, ProgramsReadBackExactly) {
  for (const std::string program : {"/usr/bin/wordloom", "/a b/c", "/100%/x", "/$HOME/${X}",
                                    "/日本語/ワードルーム", "/a&b <c> #d;e"}) {
    const std::string unit =
        "[Unit]\nDescription=x\n\n[Service]\nExecStart=" + SystemdUnit::programWord(program) +
        " --apply\n";
    EXPECT_EQ(SystemdUnit::execStartProgram(unit), program) << unit;
  }
  // systemd refuses to start programs with these in their path.
  for (const char* program : {"/a\"b", "/a'b", "/a\\b", "/tab\there", "relative", "/\xC3"}) {
    EXPECT_THROW(SystemdUnit::programWord(program), std::filesystem::filesystem_error) << program;
  }
}

TEST(SystemdUnit, ReadsTheFirstProgramOfTheServiceSection) {
  EXPECT_EQ(SystemdUnit::execStartProgram("[Service]\nExecStart = /usr/bin/x --apply\n"
                                          "ExecStart=/usr/bin/y\n"),
            "/usr/bin/x");
  EXPECT_EQ(SystemdUnit::execStartProgram("[Service]\nExecStart='/a b' --apply"), "/a b");
  EXPECT_EQ(SystemdUnit::execStartProgram("[Service]\nExecStart=\"/a\\\\b\\x41\\s\" x"), "/a\\bA ");
  EXPECT_EQ(SystemdUnit::execStartProgram("[Unit]\nExecStart=/x\n"), std::nullopt);
  EXPECT_EQ(SystemdUnit::execStartProgram("[Service]\nExecStart=/%h/x\n"), std::nullopt);
  EXPECT_EQ(SystemdUnit::execStartProgram("[Service]\nExecStart=\"/x\n"), std::nullopt);
  EXPECT_EQ(SystemdUnit::execStartProgram("[Service]\nExecStart=\"/x\"y\n"), std::nullopt);
}

TEST(SystemdUnit, PathsAreTakenLiterallyApartFromSpecifiers) {
  EXPECT_EQ(SystemdUnit::pathValue("/a b/100%/c\\d #e"), "/a b/100%%/c\\d #e");
  for (const char* path :
       {"relative", "/trailing ", "/trailing\\", "/new\nline", "/tab\tin", "/up/../there"}) {
    EXPECT_THROW(SystemdUnit::pathValue(path), std::filesystem::filesystem_error) << path;
  }
  EXPECT_EQ(SystemdUnit::plainText("Wordloom 100%\n"), "Wordloom 100%% ");
}

}  // namespace
