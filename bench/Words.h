#pragma once

#include "Rng.h"

#include <string>
#include <vector>

// Plausible Turkish workshop data: customers, addresses, devices and their faults, parts.
// Everything is UTF-8 text made from fixed word pools and the generator handed in.
namespace words {

struct Customer {
    std::string title;
    std::string address1;
    std::string address2;
    std::string city;
    std::string phone;
    std::string taxOffice;
    std::string taxNo;
    std::string email;
};

// What a customer brought in, what was wrong and what was done.
struct Job {
    std::string system;
    std::string model;
    std::string serial;
    std::string complaint;
    std::string work;
    std::string result;
};

struct Part {
    std::string group;
    std::string subgroup;
    std::string name;
};

struct Group {
    const char* name;
    std::vector<const char*> subgroups;
};

std::string firstName(Rng& rng);
std::string personName(Rng& rng);
std::string companyTitle(Rng& rng);
std::string branch(Rng& rng);
Customer customer(Rng& rng, const std::string& title, bool company);
Job job(Rng& rng);
std::string technician(Rng& rng);
std::string staff(Rng& rng);
std::string payment(Rng& rng);

const std::vector<Group>& groups();
Part part(Rng& rng);
// A 13-digit article number with the national prefix and a valid check digit.
std::string barcode(Rng& rng);
std::string digits(Rng& rng, int count);

// Letter case the Turkish way: i/İ and ı/I are pairs.
std::string upperTr(const std::string& text);
std::string titleTr(const std::string& text);
// The same title in another letter case: capitals become title case and the other way round.
std::string otherCase(const std::string& text);

} // namespace words
