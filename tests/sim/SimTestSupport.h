// A simulator running in-process on free ports with its files in a temporary
// folder, and HTTPS clients that verify it against the certificate it wrote.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include <httplib.h>
#include <rapidjson/document.h>

#include "sim/SimOptions.h"
#include "sim/Simulator.h"
#include "support/TempFolder.h"

class RunningSimulator {
 public:
  explicit RunningSimulator(const std::function<void(ovsim::SimOptions&)>& aAdjust = {});

  ovsim::Simulator& Sim() { return *fSimulator; }
  const TempFolder& Folder() const { return fFolder; }
  const ovsim::SimOptions& Options() const { return fOptions; }

  httplib::Result PostTerminal(const std::string& aPath, const std::string& aBody,
                               const httplib::Headers& aHeaders = {});
  httplib::Result PostSigning(const std::string& aBody, const httplib::Headers& aHeaders);

  // Logs in with the configured credentials; answers the access token.
  std::string LogIn(std::string* aRefreshToken = nullptr);
  httplib::Headers Bearer(const std::string& aAccessToken) const;
  // Signs a document paying aPaymentAmount (a JSON number text) and answers
  // the "ProviderData" object txninit carries.
  std::string SignedProviderData(const std::string& aPaymentAmount);
  // A txninit body for aAmount hundredths with that provider data.
  static std::string SaleBody(long long aAmount, const std::string& aProviderData, int aTimeout = 180);
  // A sale signed, then posted to txninit with a fresh log-in.
  httplib::Result Sale(long long aAmount);

 private:
  httplib::Result Post(const std::string& aUrl, const std::string& aPath, const std::string& aBody,
                       const httplib::Headers& aHeaders);

  TempFolder fFolder;
  ovsim::SimOptions fOptions;
  std::unique_ptr<ovsim::Simulator> fSimulator;
};

// The signing request with the given amounts (JSON number texts).
std::string SigningBody(const std::string& aPaymentAmount, const std::string& aNet = "10.08",
                        const std::string& aVat = "2.42", const std::string& aTotal = "12.5");

// Parses a JSON object answer; an empty document when it is none.
rapidjson::Document ParseJson(const std::string& aText);

// The text of a string member, or "<absent>".
std::string Text(const rapidjson::Value& aObject, const char* aName);

std::string ErrorOf(const httplib::Result& aResult);
