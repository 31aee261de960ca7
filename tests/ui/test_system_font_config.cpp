// The system font configuration loaded without fontconfig's description pass chooses the same
// fonts, with the same rendering settings, as fontconfig's own initialisation.
#include <QStringList>
#include <QtTest>

#include "ui/system_font_config.h"

namespace {

// The first fonts fontconfig would choose for a pattern, each as it would be rendered: every
// substitution and edit of the configuration's rules shows in them.
QStringList ChosenFonts(FcConfig* config, const char* name) {
  QStringList chosen;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name));
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcFontSet* fonts = FcFontSort(config, pattern, FcTrue, nullptr, &result);
  for (int i = 0; fonts != nullptr && i < fonts->nfont && i < 8; ++i) {
    FcPattern* rendered = FcFontRenderPrepare(config, pattern, fonts->fonts[i]);
    FcChar8* text = FcNameUnparse(rendered);
    chosen << QString::fromUtf8(reinterpret_cast<const char*>(text));
    FcStrFree(text);
    FcPatternDestroy(rendered);
  }
  if (fonts != nullptr) FcFontSetDestroy(fonts);
  FcPatternDestroy(pattern);
  return chosen;
}

}  // namespace

class SystemFontConfigTest : public QObject {
  Q_OBJECT

 private slots:
  void sameFontsAsFontconfigsOwnInitialisation_data() {
    QTest::addColumn<QByteArray>("pattern");
    for (const char* pattern :
         {"ＭＳ Ｐゴシック:pixelsize=12", "IPAPGothic:pixelsize=16", "sans-serif:lang=ja", "serif",
          "monospace", "DejaVu Sans:weight=bold", "Helvetica", "Arial:pixelsize=9"}) {
      QTest::newRow(pattern) << QByteArray(pattern);
    }
  }
  void sameFontsAsFontconfigsOwnInitialisation() {
    QFETCH(QByteArray, pattern);
    FcConfig* loaded = markwick::LoadSystemFontConfig();
    QVERIFY(loaded != nullptr);
    FcConfig* own = FcInitLoadConfigAndFonts();
    QVERIFY(own != nullptr);
    const QStringList chosen = ChosenFonts(loaded, pattern.constData());
    const QStringList expected = ChosenFonts(own, pattern.constData());
    FcConfigDestroy(loaded);
    FcConfigDestroy(own);
    QVERIFY(!expected.isEmpty());
    QCOMPARE(chosen, expected);
  }

  // A family counts as installed under each of the names its fonts give it, and only then: a
  // name that the configuration merely substitutes by another font does not.
  void installedFamilies_data() {
    QTest::addColumn<QByteArray>("family");
    QTest::addColumn<bool>("installed");
    QTest::newRow("own name") << QByteArray("IPAPGothic") << true;
    QTest::newRow("Japanese name") << QByteArray("IPA Pゴシック") << true;
    QTest::newRow("other case") << QByteArray("ipapgothic") << true;
    QTest::newRow("generic alias") << QByteArray("sans-serif") << false;
    QTest::newRow("no such font") << QByteArray("ＭＳ Ｐゴシック Markwick") << false;
  }
  void installedFamilies() {
    QFETCH(QByteArray, family);
    QFETCH(bool, installed);
    QCOMPARE(markwick::HasFontFamily(family.constData()), installed);
  }

  // Where fontconfig's own initialisation would do more than load the files (a built-in
  // configuration for one that fails to parse, its default cache folders where none is named,
  // its debugging output), nothing is loaded, so that fontconfig initialises itself.
  void leftToFontconfigWhereItDoesMore_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("debug");
    QTest::addColumn<bool>("loaded");
    const QByteArray complete(
        "<fontconfig><dir>/usr/share/fonts</dir><cachedir>/var/cache/fontconfig</cachedir>"
        "</fontconfig>");
    QTest::newRow("complete") << complete << false << true;
    QTest::newRow("debugging") << complete << true << false;
    QTest::newRow("no cache folder")
        << QByteArray("<fontconfig><dir>/usr/share/fonts</dir></fontconfig>") << false << false;
    QTest::newRow("broken") << QByteArray("<fontconfig><dir>/usr/share/fonts</fontconfig>") << false
                            << false;
  }
  void leftToFontconfigWhereItDoesMore() {
    QFETCH(QByteArray, file);
    QFETCH(bool, debug);
    QFETCH(bool, loaded);
    QTemporaryFile conf;
    QVERIFY(conf.open());
    conf.write("<?xml version=\"1.0\"?>\n" + file + "\n");
    conf.close();
    QVERIFY(!qEnvironmentVariableIsSet("FONTCONFIG_FILE"));
    QVERIFY(!qEnvironmentVariableIsSet("FC_DEBUG"));
    qputenv("FONTCONFIG_FILE", conf.fileName().toLocal8Bit());
    if (debug) qputenv("FC_DEBUG", "1024");
    FcConfig* config = markwick::LoadSystemFontConfig();
    qunsetenv("FONTCONFIG_FILE");
    qunsetenv("FC_DEBUG");
    QCOMPARE(config != nullptr, loaded);
    if (config != nullptr) FcConfigDestroy(config);
  }
};

QTEST_GUILESS_MAIN(SystemFontConfigTest)
#include "test_system_font_config.moc"
