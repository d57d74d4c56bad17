#include "data/system_parameters.h"

#include <stdexcept>

namespace trunaccount {

namespace {
const ParameterFieldInfo kFields[] = {
    {"qyny", &SystemParameters::qyny},
    {"currentYearMonth", &SystemParameters::currentYearMonth},
    {"databaseType", &SystemParameters::databaseType},
    {"serverDateTime", &SystemParameters::serverDateTime},
    {"serverDate", &SystemParameters::serverDate},
    {"operatorCode", &SystemParameters::operatorCode},
    {"operatorName", &SystemParameters::operatorName},
    {"dwmc", &SystemParameters::dwmc},
    {"sh", &SystemParameters::sh},
    {"dz", &SystemParameters::dz},
    {"lxdh", &SystemParameters::lxdh},
    {"khh", &SystemParameters::khh},
    {"zh", &SystemParameters::zh},
    {"dwlx", &SystemParameters::dwlx},
    {"dybm", &SystemParameters::dybm},
    {"hykls", &SystemParameters::hykls},
    {"sljd", &SystemParameters::sljd},
    {"lskz", &SystemParameters::lskz},
    {"jjkz", &SystemParameters::jjkz},
    {"cskz", &SystemParameters::cskz},
    {"reserved1", &SystemParameters::reserved1},
    {"zrrkz", &SystemParameters::zrrkz},
    {"dddyhs", &SystemParameters::dddyhs},
    {"sphsfs", &SystemParameters::sphsfs},
    {"jjcbhsff", &SystemParameters::jjcbhsff},
    {"sjcbhsff", &SystemParameters::sjcbhsff},
    {"cbjzfs", &SystemParameters::cbjzfs},
    {"jsxtfs", &SystemParameters::jsxtfs},
    {"rqssj", &SystemParameters::rqssj},
    {"fgckjb", &SystemParameters::fgckjb},
    {"brddyhs", &SystemParameters::brddyhs},
    {"brdhscfs", &SystemParameters::brdhscfs},
    {"bcddyhs", &SystemParameters::bcddyhs},
    {"bcdhscfs", &SystemParameters::bcdhscfs},
    {"dbddyhs", &SystemParameters::dbddyhs},
    {"dbdhscfs", &SystemParameters::dbdhscfs},
    {"jgddyhs", &SystemParameters::jgddyhs},
    {"jgdhscfs", &SystemParameters::jgdhscfs},
    {"sgddyhs", &SystemParameters::sgddyhs},
    {"sgdhscfs", &SystemParameters::sgdhscfs},
    {"tbddyhs", &SystemParameters::tbddyhs},
    {"tbdhscfs", &SystemParameters::tbdhscfs},
    {"ykddyhs", &SystemParameters::ykddyhs},
    {"ykdhscfs", &SystemParameters::ykdhscfs},
    {"syddyhs", &SystemParameters::syddyhs},
    {"sydhscfs", &SystemParameters::sydhscfs},
    {"ysddyhs", &SystemParameters::ysddyhs},
    {"ysdhscfs", &SystemParameters::ysdhscfs},
    {"pdbdyhs", &SystemParameters::pdbdyhs},
    {"pdbhscfs", &SystemParameters::pdbhscfs},
    {"psdahsfg", &SystemParameters::psdahsfg},
    {"ysdahsfg", &SystemParameters::ysdahsfg},
    {"xsdahsfg", &SystemParameters::xsdahsfg},
    {"thddyhs", &SystemParameters::thddyhs},
    {"tjddyhs", &SystemParameters::tjddyhs},
    {"ptfpdyhs", &SystemParameters::ptfpdyhs},
    {"spfzflx", &SystemParameters::spfzflx},
    {"kpyxcfsp", &SystemParameters::kpyxcfsp},
    {"djfgfs", &SystemParameters::djfgfs},
    {"psxzsl", &SystemParameters::psxzsl},
    {"xsxzsl", &SystemParameters::xsxzsl},
    {"jhxzsl", &SystemParameters::jhxzsl},
    {"thcpbxxdythqd", &SystemParameters::thcpbxxdythqd},
    {"zjdyfs", &SystemParameters::zjdyfs},
    {"ddysfs", &SystemParameters::ddysfs},
    {"hsdwh", &SystemParameters::hsdwh},
    {"dpckbm", &SystemParameters::dpckbm},
    {"dpjfs", &SystemParameters::dpjfs},
    {"pslssj", &SystemParameters::pslssj},
    {"thjjclfs", &SystemParameters::thjjclfs},
    {"sjkbbh", &SystemParameters::sjkbbh},
    {"psysjscdjd", &SystemParameters::psysjscdjd},
    {"ysjscdjdbm", &SystemParameters::ysjscdjdbm},
    {"ddyszzfs", &SystemParameters::ddyszzfs},
    {"ddyxrqqy", &SystemParameters::ddyxrqqy},
    {"ysfs", &SystemParameters::ysfs},
    {"dddysjj", &SystemParameters::dddysjj},
    {"cpzkspyzbkz", &SystemParameters::cpzkspyzbkz},
    {"jzscltjbc", &SystemParameters::jzscltjbc},
    {"jzsclyxjjsxzpzdp", &SystemParameters::jzsclyxjjsxzpzdp},
    {"ysqr", &SystemParameters::ysqr},
    {"khzqqy", &SystemParameters::khzqqy},
    {"zkhwlqy", &SystemParameters::zkhwlqy},
    {"reserved2", &SystemParameters::reserved2},
    {"hykxc", &SystemParameters::hykxc},
    {"xsfkz", &SystemParameters::xsfkz},
    {"kckz", &SystemParameters::kckz},
    {"hyklwms", &SystemParameters::hyklwms},
    {"yckqzj", &SystemParameters::yckqzj},
    {"mdzdyjj", &SystemParameters::mdzdyjj},
    {"mdzdysj", &SystemParameters::mdzdysj},
    {"dchy", &SystemParameters::dchy},
    {"xstbqyrq", &SystemParameters::xstbqyrq},
    {"ddbrkz", &SystemParameters::ddbrkz},
    {"ypphqy", &SystemParameters::ypphqy},
    {"zmqy", &SystemParameters::zmqy},
    {"djphmrz", &SystemParameters::djphmrz},
    {"ypphchsclfs", &SystemParameters::ypphchsclfs},
    {"ypthphkz", &SystemParameters::ypthphkz},
    {"sxcycbft", &SystemParameters::sxcycbft},
    {"sxqmpkc", &SystemParameters::sxqmpkc},
    {"xpdjmrsl", &SystemParameters::xpdjmrsl},
    {"zbbm", &SystemParameters::zbbm},
    {"dztqy", &SystemParameters::dztqy},
    {"ddzxqy", &SystemParameters::ddzxqy},
    {"psfpbdyhs", &SystemParameters::psfpbdyhs},
    {"jjbkzzxzbjj", &SystemParameters::jjbkzzxzbjj},
    {"fmlspyjzdsy", &SystemParameters::fmlspyjzdsy},
    {"sxpdsyflfs", &SystemParameters::sxpdsyflfs},
    {"sxpdsyfzfl", &SystemParameters::sxpdsyfzfl},
    {"ddzxyslxsl", &SystemParameters::ddzxyslxsl},
    {"ddsczb", &SystemParameters::ddsczb},
    {"pdyxcfsp", &SystemParameters::pdyxcfsp},
    {"ysxzpssp", &SystemParameters::ysxzpssp},
    {"jekzsptj", &SystemParameters::jekzsptj},
    {"mdqyrjxstb", &SystemParameters::mdqyrjxstb},
    {"jzsjzdtj", &SystemParameters::jzsjzdtj},
    {"tyspddcsf", &SystemParameters::tyspddcsf},
    {"jhddyhs", &SystemParameters::jhddyhs},
    {"ycspl", &SystemParameters::ycspl},
    {"hykcszt", &SystemParameters::hykcszt},
    {"ddzxsqdtqhb", &SystemParameters::ddzxsqdtqhb},
    {"typdrfbmjz", &SystemParameters::typdrfbmjz},
    {"reserved3", &SystemParameters::reserved3},
    {"hykkhxe", &SystemParameters::hykkhxe},
    {"dcjdbzrck", &SystemParameters::dcjdbzrck},
    {"Psdjzycts", &SystemParameters::Psdjzycts},
    {"bbcszbsz", &SystemParameters::bbcszbsz},
    {"djbzkz", &SystemParameters::djbzkz},
    {"zysqzlyx", &SystemParameters::zysqzlyx},
};
}  // namespace

std::span<const ParameterFieldInfo> systemParameterFields() { return kFields; }

const ParameterFieldInfo* findSystemParameterField(std::string_view name) {
    for (const auto& f : kFields)
        if (f.name == name) return &f;
    return nullptr;
}

ParameterRequest::ParameterRequest(std::initializer_list<int> numbers) {
    for (int n : numbers) insert(n);
}

void ParameterRequest::insert(int number) {
    if (number < 0 || number > 127)
        throw std::out_of_range("parameter request number " + std::to_string(number) + " is outside 0..127");
    bits_.set(static_cast<std::size_t>(number));
}

ParameterRequest ParameterRequest::fromBytes(const std::array<std::uint8_t, 16>& bytes) {
    ParameterRequest r;
    for (int n = 0; n < 128; ++n)
        if (bytes[n / 8] & (1u << (n % 8))) r.bits_.set(static_cast<std::size_t>(n));
    return r;
}

std::array<std::uint8_t, 16> ParameterRequest::toBytes() const {
    std::array<std::uint8_t, 16> bytes{};
    for (int n = 0; n < 128; ++n)
        if (bits_.test(static_cast<std::size_t>(n))) bytes[n / 8] = static_cast<std::uint8_t>(bytes[n / 8] | (1u << (n % 8)));
    return bytes;
}

bool ParameterRequest::hasOtherThan(std::initializer_list<int> numbers) const {
    auto rest = bits_;
    for (int n : numbers)
        if (n >= 0 && n < 128) rest.reset(static_cast<std::size_t>(n));
    return rest.any();
}

}  // namespace trunaccount
