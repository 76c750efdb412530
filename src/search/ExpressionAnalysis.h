// Reading extended regular expressions without compiling them: the case folding that
// lets a case-insensitive search fold only A-Z, and the literal every match must hold.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillora {

// The expression that, run on texts whose A-Z were folded to a-z, matches what
// `expression` matches ignoring the case of A-Z and of nothing else ("Ä" still
// differs from "ä"): every A-Z of the expression is folded too, as a pattern run
// through a translation table is, except the letters of escapes (\w \W \s \S \b
// \B) and of class names; the classes "upper" and "lower" become "alpha", as they
// do under REG_ICASE.
std::string FoldExpressionCase(std::string_view expression);

// The longest run of bytes that every match of `expression` must contain, taken from
// its top level only (groups, brackets and quantified characters break runs); empty
// when there is none or when the top level has alternatives. Never claims more than
// the expression requires, so it can reject texts before the regular expression runs.
std::string RequiredLiteral(std::string_view expression);

// Every such run, longest first: a match holds all of them.
std::vector<std::string> RequiredLiterals(std::string_view expression);

// Whether `expression` holds a back reference (\1 to \9 outside a bracket
// expression). glibc matches those by backtracking, which takes exponential time on
// patterns such as "(a*)*\1[^a]a", so a find refuses them.
bool HasBackReference(std::string_view expression);

// A rough count of the states regcomp builds for `expression`: it copies a quantified
// subexpression once per repetition ("a+" is "aa*", "a{3}" is "aaa"), so stacked
// quantifiers multiply. Used to refuse expressions whose compilation would take
// gigabytes ("a" and twenty-four "+" do) before regcomp is called. Saturates at
// `limit` + 1.
std::size_t EstimatedRegexSize(std::string_view expression, std::size_t limit);

} // namespace quillora
