// The statement readers: every format to the same lines, exact cents, bad
// movements listed with their line, files that cannot be read named with the
// line or element at fault.
#include <gtest/gtest.h>

#include "platform/gbk.h"
#include "statement/statement.h"
#include "statement/statement_text.h"

using namespace trunaccount::statement;

namespace {

struct Expected {
    int line;
    const char* date;
    std::int64_t cents;
    const char* name;
    const char* account;
    const char* remittance;
    const char* reference;
};

void expectLines(const Statement& st, std::initializer_list<Expected> expected) {
    ASSERT_EQ(st.lines.size(), expected.size());
    std::size_t i = 0;
    for (const auto& e : expected) {
        const StatementLine& l = st.lines[i++];
        SCOPED_TRACE("line " + std::to_string(e.line));
        EXPECT_EQ(l.sourceLine, e.line);
        EXPECT_EQ(l.bookingDate, e.date);
        EXPECT_EQ(l.amountCents, e.cents);
        EXPECT_EQ(l.counterpartyName, e.name);
        EXPECT_EQ(l.counterpartyAccount, e.account);
        EXPECT_EQ(l.remittance, e.remittance);
        EXPECT_EQ(l.reference, e.reference);
    }
}

// The error a reader raises; empty when it raises none.
std::string errorOf(std::string_view bytes, const std::string& name) {
    try {
        parseStatement(bytes, name);
    } catch (const StatementError& e) {
        return e.what();
    }
    return {};
}

}  // namespace

TEST(StatementText, AmountsAreExactCents) {
    struct Case {
        const char* text;
        char mark;
        bool grouping;
        std::optional<std::int64_t> cents;
    } cases[] = {
        {"1234.56", '.', false, 123456},
        {"-0.01", '.', false, -1},
        {"+12", '.', false, 1200},
        {"12.5", '.', false, 1250},
        {"12.500", '.', false, 1250},      // trailing zeros are still whole cents
        {"12.345", '.', false, std::nullopt},  // not a whole number of cents
        {"1,234,567.89", '.', true, 123456789},
        {"1,234.5", '.', false, std::nullopt},  // grouping only where the format has it
        {"12,34.00", '.', true, std::nullopt},  // a misplaced separator
        {"1234,56", ',', false, 123456},
        {"￥ 88.00 元", '.', false, 8800},
        {"", '.', false, std::nullopt},
        {"-", '.', false, std::nullopt},
        {"1e3", '.', false, std::nullopt},
        {"0.1", '.', false, 10},  // 0.1 is not a binary fraction here
        {"99999999999999999999", '.', false, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(parseCents(c.text, c.mark, c.grouping), c.cents) << c.text;
    EXPECT_EQ(formatCents(-123456), "-1234.56");
    EXPECT_EQ(formatCents(5), "0.05");
}

TEST(StatementText, BankDates) {
    struct Case {
        const char* text;
        std::optional<std::string> date;
    } cases[] = {
        {"2024-05-03", "20240503"},     {"2024/5/3", "20240503"},  {"2024.05.03 10:22:11", "20240503"},
        {"20240503", "20240503"},       {"2024年5月3日", "20240503"}, {"2024-02-30", std::nullopt},
        {"2024-05", std::nullopt},      {"05/03/2024", std::nullopt}, {"2024-05-03x", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(parseBankDate(c.text), c.date) << c.text;
    EXPECT_EQ(daysBetween("20240228", "20240301"), 2);
    EXPECT_EQ(daysBetween("20250101", "20241231"), -1);
}

TEST(StatementFormats, DetectedFromTheContentFirst) {
    struct Case {
        const char* bytes;
        const char* name;
        StatementFormat format;
    } cases[] = {
        {"<?xml version=\"1.0\"?><Document/>", "a.csv", StatementFormat::Camt053},
        {"OFXHEADER:100\n", "a.txt", StatementFormat::Ofx},
        {":20:X\n:25:1\n:61:240503D1,00NTRFNONREF\n", "a.txt", StatementFormat::Mt940},
        {"交易日期,交易金额\n", "a.txt", StatementFormat::BankCsv},
        {"garbage", "a.QFX", StatementFormat::Ofx},
    };
    for (const auto& c : cases) EXPECT_EQ(detectFormat(c.bytes, c.name), c.format) << c.bytes;
}

TEST(BankCsv, ReadsDebitAndCreditColumnsAfterTheAccountLines) {
    const char* csv =
        "账号,6222\n"
        "户名,上海浦江商贸有限公司\n"
        "交易日期,交易时间,借方发生额(元),贷方发生额(元),余额,对方户名,对方账号,摘要,用途,交易流水号\n"
        "2024-05-03,10:00,\"1,234.56\",,1000,上海宏达食品有限公司,=\"6222000011112222\",付货款,202405000012,B1\n"
        "2024/5/4,,,88.10,1,\"Foo, Ltd\",,\"two\nlines\",,B2\n"
        "2024-05-0x,,,1,1,,,,,B3\n"
        "2024-05-06,,5.00,5.00,1,,,,,B4\n"
        "2024-05-07,,,,1,,,,,B5\n"
        "\n"
        "合计,,1234.56,88.10\n";
    const Statement st = parseStatement(csv, "may.csv");
    EXPECT_EQ(st.format, StatementFormat::BankCsv);
    expectLines(st, {{4, "20240503", -123456, "上海宏达食品有限公司", "6222000011112222", "付货款 202405000012", "B1"},
                     {5, "20240504", 8810, "Foo, Ltd", "", "two\nlines", "B2"}});
    ASSERT_EQ(st.badLines.size(), 3u);
    EXPECT_EQ(st.badLines[0].sourceLine, 7);  // the quoted line break counts
    EXPECT_EQ(st.badLines[0].element, "日期");
    EXPECT_EQ(st.badLines[1].sourceLine, 8);
    EXPECT_EQ(st.badLines[1].message, "借方和贷方发生额都有金额");
    EXPECT_EQ(st.badLines[2].sourceLine, 9);
}

TEST(BankCsv, SignedAmountInGbkWithTabs) {
    const std::string utf8 =
        "记账日期\t交易金额\t借贷标志\t对方户名\t附言\t流水号\r\n"
        "20240503\t1234.56\t借\t杭州鑫源日化有限公司\t202405000007\tS1\r\n"
        "20240504\t-20.00\t\t\t\tS2\r\n"
        "20240505\t20.00\t贷\t\t\tS3\r\n";
    const std::string gbk = trunaccount::platform::utf8ToGbk(utf8);
    const Statement st = parseStatement(gbk, "gbk.csv");
    expectLines(st, {{2, "20240503", -123456, "杭州鑫源日化有限公司", "", "202405000007", "S1"},
                     {4, "20240505", 2000, "", "", "", "S3"}});
    ASSERT_EQ(st.badLines.size(), 1u);
    EXPECT_EQ(st.badLines[0].sourceLine, 3);
    EXPECT_EQ(st.badLines[0].element, "借贷标志");
}

TEST(BankCsv, FileWithoutHeaderIsRefusedByName) {
    const std::string e = errorOf("a,b,c\n1,2,3\n", "/tmp/x.csv");
    EXPECT_NE(e.find("/tmp/x.csv"), std::string::npos) << e;
    EXPECT_NE(e.find("表头"), std::string::npos) << e;
    EXPECT_NE(errorOf("  \n", "empty.csv").find("empty.csv"), std::string::npos);
}

TEST(Mt940, MovementsWithStructuredAndFreeDetails) {
    const char* mt940 =
        "{1:F01BANKCNBJAXXX0000000000}{2:O940BANKCNBJAXXXN}{4:\n"
        ":20:STMT20241231\n"
        ":25:1001234509000123456\n"
        ":60F:C241201CNY100000,00\n"
        ":61:2501021231D1234,56NTRF202412000012//B001\n"
        ":86:/NAME/上海宏达食品有限公司/ACCT/6222000011112222/REMI/付货款 202412000012\n"
        ":61:2412041204CR88,1NTRFNONREF//B002\n"
        "more details\n"
        ":86:166?00GUTSCHRIFT?20Invoice 88?21 more?32Foo?33 Ltd?31DE1234\n"
        ":61:24120X1204C88,1NTRFNONREF//B003\n"
        ":86:skipped with its movement\n"
        ":61:241206RD5,00NMSCNONREF//FEE1\n"
        ":86:手续费\n"
        "冲正\n"
        ":62F:C241231CNY98000,00\n"
        "-}\n";
    const Statement st = parseStatement(mt940, "dec.sta");
    EXPECT_EQ(st.format, StatementFormat::Mt940);
    // The booking date of the first lies in the year before its value date.
    expectLines(st, {{5, "20241231", -123456, "上海宏达食品有限公司", "6222000011112222",
                      "202412000012 付货款 202412000012", "B001"},
                     {7, "20241204", 8810, "Foo Ltd", "DE1234", "more details Invoice 88 more", "B002"},
                     {12, "20241206", 500, "", "", "手续费 冲正", "FEE1"}});
    ASSERT_EQ(st.badLines.size(), 1u);
    EXPECT_EQ(st.badLines[0].sourceLine, 10);
    EXPECT_EQ(st.badLines[0].element, ":61:");
}

TEST(Mt940, BadMovementsAreListedEachWithItsReason) {
    struct Case {
        const char* field;
        const char* message;
    } cases[] = {
        {"240230D1,00NTRF", "起息日不是有效日期"},
        {"240503X1,00NTRF", "借贷标记应为 C, D, RC 或 RD"},
        {"240503D100NTRF", "金额无法识别: '100'"},
        {"240503D1,001NTRF", "金额无法识别: '1,001'"},
        {"240503D1,00XTRF", "交易类型应为 N, S 或 F 加三个字符"},
    };
    for (const auto& c : cases) {
        const Statement st = parseStatement(std::string(":20:X\n:61:") + c.field + "\n", "x.sta");
        ASSERT_EQ(st.badLines.size(), 1u) << c.field;
        EXPECT_EQ(st.badLines[0].message, c.message);
        EXPECT_EQ(st.badLines[0].sourceLine, 2);
        EXPECT_TRUE(st.lines.empty());
    }
}

TEST(Camt053, EntriesBatchesAndBadEntries) {
    const char* xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<Document xmlns="urn:iso:std:iso:20022:tech:xsd:camt.053.001.02">
  <BkToCstmrStmt>
    <Stmt>
      <Ntry>
        <Amt Ccy="CNY">1234.56</Amt><CdtDbtInd>DBIT</CdtDbtInd>
        <BookgDt><Dt>2024-05-03</Dt></BookgDt>
        <AcctSvcrRef>B001</AcctSvcrRef>
        <NtryDtls><TxDtls>
          <Refs><EndToEndId>NOTPROVIDED</EndToEndId></Refs>
          <RltdPties><Cdtr><Nm>上海宏达食品有限公司</Nm></Cdtr><CdtrAcct><Id><Othr><Id>6222</Id></Othr></Id></CdtrAcct></RltdPties>
          <RmtInf><Ustrd>付货款 202405000012</Ustrd><Strd><RfrdDocInf><Nb>88001234</Nb></RfrdDocInf></Strd></RmtInf>
        </TxDtls></NtryDtls>
      </Ntry>
      <Ntry>
        <Amt Ccy="CNY">12x</Amt><CdtDbtInd>DBIT</CdtDbtInd>
        <BookgDt><Dt>2024-05-04</Dt></BookgDt>
      </Ntry>
      <Ntry>
        <Amt Ccy="CNY">300.00</Amt><CdtDbtInd>DBIT</CdtDbtInd>
        <BookgDt><DtTm>2024-05-05T10:00:00</DtTm></BookgDt>
        <AcctSvcrRef>BATCH1</AcctSvcrRef>
        <NtryDtls>
          <TxDtls><AmtDtls><TxAmt><Amt Ccy="CNY">100.00</Amt></TxAmt></AmtDtls><RltdPties><Cdtr><Pty><Nm>A公司</Nm></Pty></Cdtr></RltdPties></TxDtls>
          <TxDtls><AmtDtls><TxAmt><Amt Ccy="CNY">200.00</Amt></TxAmt></AmtDtls><Refs><AcctSvcrRef>T2</AcctSvcrRef></Refs></TxDtls>
        </NtryDtls>
      </Ntry>
      <Ntry>
        <Amt Ccy="CNY">50.00</Amt><CdtDbtInd>CRDT</CdtDbtInd>
        <BookgDt><Dt>2024-13-01</Dt></BookgDt>
      </Ntry>
      <Ntry>
        <Amt Ccy="CNY">50.00</Amt><CdtDbtInd>CRDT</CdtDbtInd>
        <BookgDt><Dt>2024-05-06</Dt></BookgDt>
        <NtryDtls><TxDtls><RltdPties><Dbtr><Nm>付款人</Nm></Dbtr><Cdtr><Nm>我们</Nm></Cdtr></RltdPties></TxDtls></NtryDtls>
        <AddtlNtryInf>收费 202405000001</AddtlNtryInf>
      </Ntry>
    </Stmt>
  </BkToCstmrStmt>
</Document>
)";
    const Statement st = parseStatement(xml, "may.xml");
    EXPECT_EQ(st.format, StatementFormat::Camt053);
    expectLines(st, {{5, "20240503", -123456, "上海宏达食品有限公司", "6222", "付货款 202405000012 88001234", "B001"},
                     {24, "20240505", -10000, "A公司", "", "", "BATCH1"},
                     {25, "20240505", -20000, "", "", "", "T2"},
                     {32, "20240506", 5000, "付款人", "", "收费 202405000001", ""}});
    ASSERT_EQ(st.badLines.size(), 2u);
    EXPECT_EQ(st.badLines[0].sourceLine, 16);
    EXPECT_EQ(st.badLines[0].element, "Ntry/Amt");
    EXPECT_EQ(st.badLines[1].sourceLine, 30);
    EXPECT_EQ(st.badLines[1].element, "Ntry/BookgDt");
}

TEST(Camt053, UnreadableFilesNameTheLineOrElement) {
    const std::string broken = errorOf("<?xml version=\"1.0\"?>\n<Document><BkToCstmrStmt>\n<Stmt>\n", "b.xml");
    EXPECT_NE(broken.find("b.xml"), std::string::npos) << broken;
    EXPECT_NE(broken.find("XML 格式错误"), std::string::npos) << broken;
    EXPECT_NE(broken.find("第 4 行"), std::string::npos) << broken;
    const std::string other = errorOf("<?xml version=\"1.0\"?>\n<Document><CstmrCdtTrfInitn/></Document>", "p.xml");
    EXPECT_NE(other.find("<Document>"), std::string::npos) << other;
    EXPECT_NE(other.find("CAMT.053"), std::string::npos) << other;
}

TEST(Camt053, ExternalEntitiesAreNeverRead) {
    const char* xml = R"(<?xml version="1.0"?>
<!DOCTYPE Document [<!ENTITY x SYSTEM "file:///etc/hostname">]>
<Document><BkToCstmrStmt><Stmt><Ntry><Amt>1.00</Amt><CdtDbtInd>DBIT</CdtDbtInd>
<BookgDt><Dt>2024-05-03</Dt></BookgDt><AddtlNtryInf>&x;</AddtlNtryInf></Ntry></Stmt></BkToCstmrStmt></Document>)";
    const Statement st = parseStatement(xml, "x.xml");
    ASSERT_EQ(st.lines.size(), 1u);
    EXPECT_EQ(st.lines[0].remittance, "");
}

TEST(Ofx, TransactionsWithAmountsAndDatesCheckedAgainstTheFile) {
    const char* ofx =
        "OFXHEADER:100\nDATA:OFXSGML\nVERSION:102\nSECURITY:NONE\nENCODING:USASCII\nCHARSET:1252\n"
        "COMPRESSION:NONE\nOLDFILEUID:NONE\nNEWFILEUID:NONE\n\n"
        "<OFX><BANKMSGSRSV1><STMTTRNRS><TRNUID>1<STATUS><CODE>0<SEVERITY>INFO</STATUS>\n"
        "<STMTRS><CURDEF>CNY<BANKACCTFROM><BANKID>0101<ACCTID>1001<ACCTTYPE>CHECKING</BANKACCTFROM>\n"
        "<BANKTRANLIST><DTSTART>20240501<DTEND>20240531\n"
        "<STMTTRN>\n<TRNTYPE>DEBIT\n<DTPOSTED>20240503\n<TRNAMT>-1234.56\n<FITID>B001\n<NAME>Hongda\n"
        "<MEMO>202405000012\n</STMTTRN>\n"
        "<STMTTRN>\n<TRNTYPE>CREDIT\n<DTPOSTED>20240504235959[-12:GMT]\n<TRNAMT>88.10\n<FITID>B002\n</STMTTRN>\n"
        "<STMTTRN>\n<TRNTYPE>CREDIT\n<DTPOSTED>20240505\n<TRNAMT>abc\n<FITID>B003\n</STMTTRN>\n"
        "<STMTTRN>\n<TRNTYPE>CREDIT\n<DTPOSTED>garbage\n<TRNAMT>1.00\n<FITID>B004\n</STMTTRN>\n"
        "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\n";
    const Statement st = parseStatement(ofx, "may.ofx");
    EXPECT_EQ(st.format, StatementFormat::Ofx);
    // The bank's day stands, whatever the time zone.
    expectLines(st, {{14, "20240503", -123456, "Hongda", "", "202405000012", "B001"},
                     {22, "20240504", 8810, "", "", "", "B002"}});
    ASSERT_EQ(st.badLines.size(), 2u);
    EXPECT_EQ(st.badLines[0].sourceLine, 28);
    EXPECT_EQ(st.badLines[0].element, "STMTTRN/TRNAMT");
    EXPECT_EQ(st.badLines[1].sourceLine, 34);
    EXPECT_EQ(st.badLines[1].element, "STMTTRN/DTPOSTED");
}
