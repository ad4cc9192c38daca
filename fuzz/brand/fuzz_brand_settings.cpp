// The settings text from the line rules to the brand decisions, the last news id, and the
// reseller's lint, on arbitrary bytes. Besides staying inside its buffers, each step must keep
// the promises the window relies on.

#include "BrandLint.h"
#include "brand/BrandLoader.h"
#include "brand/SettingsText.h"
#include "util/RandomSource.h"

#include <QByteArray>
#include <QString>

#include <cstdlib>

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora::app;
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray text = JoinedSettingsText(input);
    Require(JoinedSettingsText(text) == text);
    Require(!text.contains('\0'));

    QList<ItemSearch> searches;
    const BrandItems items = ReadBrandItems(text, &searches);
    Require(items.welcome.size() <= SeriesLength && items.banners.size() <= SeriesLength &&
            items.links.size() <= SeriesLength);
    Require(ReadBrandItems(text).settings == items.settings);

    // Which banner files exist follows the input's length, so both paths are taken.
    const auto random = velmora::util::SeededRandom(unsigned(size));
    const FileExists exists = [size](const QString&) { return size % 2 == 0; };
    const BrandLoad load = DecideBrand(items, *random, exists);
    Require(!load.bannerItemBroken || !load.bannerError.isEmpty());
    Require(load.errors().size() == int(!load.bannerError.isEmpty()) + int(!load.linksError.isEmpty()));
    Require(load.bannerIndex < qsizetype(items.banners.size()));
    Require(load.bannerIndex >= 0 || load.bannerPicture == BannerPicture::None);
    // The links stand on their own: only a bad link item keeps them from showing.
    Require(load.linksVisible == (load.linksError.isEmpty() && !load.settings.Link1Text.isEmpty()));

    const QByteArray written = WithLastNewsId(input, "42");
    Require(written.contains("<%%LastNewsId%%>42<%%/LastNewsId%%>\r\n"));
    Require(written.endsWith("\r\n"));
    (void)LastNewsIdOf(input);

    const QList<velmora::brand::Finding> findings =
        velmora::brand::LintSettings(input, exists, QStringLiteral("the folder"));
    const int lines = int(text.count('\n'));
    for (const velmora::brand::Finding& finding : findings)
        Require(finding.line >= 0 && finding.line <= lines + 1 && !finding.message.isEmpty());
    return 0;
}
