// The window's record of system parameters, and the set of numbers that says
// which of them a load fetches.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace trunaccount {

// The record one window fills at start-up. The leading fields come from the
// coordinator's own operations; the rest are entries of the system parameter
// table, named by their keys. Fields the loader never fills keep their zero.
struct SystemParameters {
    std::string qyny;              // start-of-use year-month, YYYYMM
    std::string currentYearMonth;  // GetYearMonth
    std::string databaseType;      // the loader's database type
    std::string serverDateTime;    // GetServerDateTime
    std::string serverDate;        // first eight characters of GetServerDate, YYYYMMDD
    std::string operatorCode;      // set by the caller before loading
    std::string operatorName;      // GetOperatorName
    std::string dwmc;
    std::string sh;
    std::string dz;
    std::string lxdh;
    std::string khh;
    std::string zh;
    std::string dwlx;
    std::string dybm;
    std::string hykls;
    std::string sljd;
    bool lskz = false;
    bool jjkz = false;
    bool cskz = false;
    bool reserved1 = false;
    bool zrrkz = false;
    std::int32_t dddyhs = 0;
    std::int32_t sphsfs = 0;
    std::int32_t jjcbhsff = 0;
    std::int32_t sjcbhsff = 0;
    std::int32_t cbjzfs = 0;
    std::int32_t jsxtfs = 0;
    std::string rqssj;
    std::int32_t fgckjb = 0;
    std::int32_t brddyhs = 0;
    std::string brdhscfs;
    std::int32_t bcddyhs = 0;
    std::string bcdhscfs;
    std::int32_t dbddyhs = 0;
    std::string dbdhscfs;
    std::int32_t jgddyhs = 0;
    std::string jgdhscfs;
    std::int32_t sgddyhs = 0;
    std::string sgdhscfs;
    std::int32_t tbddyhs = 0;
    std::string tbdhscfs;
    std::int32_t ykddyhs = 0;
    std::string ykdhscfs;
    std::int32_t syddyhs = 0;
    std::string sydhscfs;
    std::int32_t ysddyhs = 0;
    std::string ysdhscfs;
    std::int32_t pdbdyhs = 0;
    std::string pdbhscfs;
    std::string psdahsfg;
    std::string ysdahsfg;
    std::string xsdahsfg;
    std::int32_t thddyhs = 0;
    std::int32_t tjddyhs = 0;
    std::int32_t ptfpdyhs = 0;
    std::int32_t spfzflx = 0;
    bool kpyxcfsp = false;
    std::string djfgfs;
    std::int32_t psxzsl = 0;
    std::int32_t xsxzsl = 0;
    std::int32_t jhxzsl = 0;
    std::string thcpbxxdythqd;
    std::string zjdyfs;
    std::string ddysfs;
    std::string hsdwh;
    std::string dpckbm;
    std::string dpjfs;
    std::string pslssj;
    std::string thjjclfs;
    std::string sjkbbh;
    bool psysjscdjd = false;
    std::string ysjscdjdbm;
    std::int32_t ddyszzfs = 0;
    std::int32_t ddyxrqqy = 0;
    std::int32_t ysfs = 0;
    std::string dddysjj;
    std::string cpzkspyzbkz;
    std::string jzscltjbc;
    std::string jzsclyxjjsxzpzdp;
    std::string ysqr;
    std::string khzqqy;
    std::string zkhwlqy;
    std::int32_t reserved2 = 0;
    std::int32_t hykxc = 0;
    std::int32_t xsfkz = 0;
    std::string kckz;
    std::string hyklwms;
    std::string yckqzj;
    bool mdzdyjj = false;
    bool mdzdysj = false;
    bool dchy = false;
    std::string xstbqyrq;
    bool ddbrkz = false;
    std::string ypphqy;
    std::string zmqy;
    std::string djphmrz;
    std::string ypphchsclfs;
    std::string ypthphkz;
    std::string sxcycbft;
    std::string sxqmpkc;
    double xpdjmrsl = 0;
    std::string zbbm;
    bool dztqy = false;
    bool ddzxqy = false;
    std::int32_t psfpbdyhs = 0;
    bool jjbkzzxzbjj = false;
    bool fmlspyjzdsy = false;
    std::int32_t sxpdsyflfs = 0;
    std::int32_t sxpdsyfzfl = 0;
    std::string ddzxyslxsl;
    bool ddsczb = false;
    bool pdyxcfsp = false;
    bool ysxzpssp = false;
    bool jekzsptj = false;
    bool mdqyrjxstb = false;
    bool jzsjzdtj = false;
    std::string tyspddcsf;
    std::int32_t jhddyhs = 0;
    std::string ycspl;
    std::string hykcszt;
    std::string ddzxsqdtqhb;
    std::string typdrfbmjz;
    std::int32_t reserved3 = 0;
    std::int32_t hykkhxe = 0;
    std::string dcjdbzrck;
    std::int32_t Psdjzycts = 0;
    bool bbcszbsz = false;
    std::string djbzkz;
    bool zysqzlyx = false;
};

// A pointer to one field of the record, whatever its type.
using ParameterField = std::variant<std::string SystemParameters::*, std::int32_t SystemParameters::*,
                                    bool SystemParameters::*, double SystemParameters::*>;

struct ParameterFieldInfo {
    std::string_view name;
    ParameterField field;
};

// Every field of the record in declared order.
std::span<const ParameterFieldInfo> systemParameterFields();
// The field of that name (exact case), or null.
const ParameterFieldInfo* findSystemParameterField(std::string_view name);

// A set of request numbers 0 to 127. On the wire it is 16 bytes: number n is
// bit (n mod 8) of byte (n div 8).
class ParameterRequest {
public:
    ParameterRequest() = default;
    ParameterRequest(std::initializer_list<int> numbers);

    static ParameterRequest fromBytes(const std::array<std::uint8_t, 16>& bytes);
    std::array<std::uint8_t, 16> toBytes() const;

    bool contains(int number) const { return number >= 0 && number < 128 && bits_.test(number); }
    void insert(int number);
    bool empty() const { return bits_.none(); }
    // True when the set holds a number outside `numbers`.
    bool hasOtherThan(std::initializer_list<int> numbers) const;

    friend bool operator==(const ParameterRequest&, const ParameterRequest&) = default;

private:
    std::bitset<128> bits_;
};

}  // namespace trunaccount
