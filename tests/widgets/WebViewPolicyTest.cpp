// The calls a web page's "external" hands over, as the page's side of the
// bridge writes them: what is read, what is refused (the page writes any
// bytes it likes), and the arguments as console text; the window maker.
#include "widgets/WebViewPolicy.h"

#include <gtest/gtest.h>

namespace {

TEST(WebViewPolicy, ScriptCallsAreReadOnlyInTheirOwnShape)
{
    struct Good {
        const char *json;
        const char *name;
        QVariantList arguments;
    };
    const Good good[] = {
        {R"({"name":"setMailPieceTypePopUp","args":["Priority","Package"]})",
         "setMailPieceTypePopUp",
         {QStringLiteral("Priority"), QStringLiteral("Package")}},
        {R"({"name":"closeGuideMeWindow","args":[]})", "closeGuideMeWindow", {}},
        {R"({"name":"x"})", "x", {}},
        {R"({"args":[1,null,true,{"a":[2]}],"name":"f","other":1})",
         "f",
         {1.0, QVariant(), true, QVariantMap{{QStringLiteral("a"), QVariantList{2.0}}}}},
    };
    for (const Good &g : good) {
        const std::optional<ScriptCall> call = scriptCallFromJson(QByteArray(g.json));
        ASSERT_TRUE(call) << g.json;
        EXPECT_EQ(call->name, QString::fromLatin1(g.name)) << g.json;
        EXPECT_EQ(call->arguments, g.arguments) << g.json;
    }
    const char *bad[] = {"",
                         "null",
                         "[]",
                         R"("name")",
                         R"({"name":""})",
                         R"({"name":3,"args":[]})",
                         R"({"name":"f","args":"x"})",
                         R"({"name":"f","args":{}})",
                         R"({"args":[]})",
                         R"({"name":"f","args":[)"};
    for (const char *json : bad)
        EXPECT_FALSE(scriptCallFromJson(QByteArray(json))) << json;

    // A call above the size limit is refused whole.
    const QByteArray padding(kMaxScriptCallSize, 'a');
    EXPECT_FALSE(scriptCallFromJson(R"({"name":"f","args":[")" + padding + R"("]})"));
    EXPECT_TRUE(scriptCallFromJson(R"({"name":"f","args":[")" + padding.left(kMaxScriptCallSize - 30) + R"("]})"));
}

TEST(WebViewPolicy, ArgumentsAsTheScriptWritesThem)
{
    const std::pair<QVariant, const char *> cases[] = {
        {QStringLiteral("Priority"), "Priority"},
        {QString(), ""},
        {2.0, "2"},
        {0.1, "0.1"},
        {-1.5e21, "-1.5e+21"},
        {true, "true"},
        {false, "false"},
        {QVariant(), "null"},
        {QVariantList{1.0, QStringLiteral("a"), QVariant()}, R"([1,"a",null])"},
        {QVariantMap{{QStringLiteral("k"), QStringLiteral("v")}}, R"({"k":"v"})"},
    };
    for (const auto &[argument, text] : cases)
        EXPECT_EQ(scriptArgumentText(argument), QString::fromUtf8(text)) << text;
}

class PlainPolicy : public WebViewPolicy
{
public:
    void scriptAlert(const QString &) override {}
    bool scriptConfirm(const QString &) override { return false; }
};

TEST(WebViewPolicy, WindowsOnlyFromAnInstalledMakerAndTheDefaultsRefuse)
{
    auto policy = std::make_shared<PlainPolicy>();
    setWebPageWindowMaker(nullptr);
    EXPECT_EQ(makeWebPageWindow(policy), nullptr);
    std::shared_ptr<WebViewPolicy> given;
    setWebPageWindowMaker([&](std::shared_ptr<WebViewPolicy> p) -> WebPageWindow * {
        given = std::move(p);
        return nullptr;
    });
    makeWebPageWindow(policy);
    EXPECT_EQ(given, policy);
    EXPECT_EQ(makeWebPageWindow(nullptr), nullptr);
    setWebPageWindowMaker(nullptr);

    // A policy that says nothing: no new window, no context menu, no
    // script functions, no lock; navigations are used.
    const QUrl url(QStringLiteral("https://www.example.test/"));
    EXPECT_EQ(policy->newWindowPolicy(WebViewPolicy::NavigationType::LinkClicked, url), WebViewPolicy::Policy::Ignore);
    EXPECT_EQ(policy->navigationPolicy(WebViewPolicy::NavigationType::LinkClicked, url), WebViewPolicy::Policy::Use);
    EXPECT_TRUE(policy->trimmedContextMenu({3, 8, 12}).isEmpty());
    EXPECT_TRUE(policy->scriptFunctions().isEmpty());
    EXPECT_FALSE(policy->showsLock());
}

} // namespace
