#!/usr/bin/perl
# SPDX-License-Identifier: MIT
# Usage: symbols.pl <build-dir> <source-dir> <lib,lib,...>
# Fails when a shared library exports a symbol outside its declared API. A symbol is part of the
# API when it is declared in the library's public headers: a C routine whose name a public header
# declares, or a C++ name inside the namespaces of the library's header folders (Numeric:: for
# include/Numeric/..., and the library's own namespace for its version function) whose last
# component is a name the public headers declare, and the library's specialisations of std::hash.
# Never part of it: instantiations of the standard library's templates, anonymous namespaces and
# the private message objects (namespace msg).
# A library whose shared object was not built (no sources yet) is skipped.
use strict;
use warnings;
use File::Find;

if (@ARGV && $ARGV[0] =~ /^(-h|--help)$/) {
    open(my $self, '<', $0) or die; <$self>; <$self>;
    while (<$self>) { last unless s/^# ?//; print; }
    exit 0;
}
my ($build, $source, $libs) = @ARGV;
die "usage: symbols.pl <build-dir> <source-dir> <lib,lib,...>\n" unless defined $libs;
my $failed = 0;

for my $lib (split /,/, $libs) {
    my $so = "$build/$lib/lib$lib.so";
    unless (-e $so) { print "$lib: not built, skipped\n"; next; }

    # Words the public headers declare, and the namespaces their folders stand for.
    my (%words, %top);
    $top{$lib} = 1;
    my @headers;
    for my $dir ("$source/$lib/include", "$build/$lib/generated/include") {
        next unless -d $dir;
        find(sub { push @headers, $File::Find::name if /\.(h|hpp)$/ }, $dir);
        opendir(my $dh, $dir) or die; 
        for (readdir $dh) { $top{$_} = 1 if !/^\./ && $_ ne $lib && -d "$dir/$_"; $top{$1} = 1 if /^(\w+)\.hpp$/; }
    }
    for my $h (@headers) {
        open(my $fh, '<', $h) or die "$h: $!";
        local $/; my $text = <$fh>;
        $words{$_} = 1 for $text =~ /\b([A-Za-z_]\w*)\b/g;
    }

    my @mangled = map { (split ' ')[-1] } grep { /^\S+ [TDBRVWui] / } `nm -D --defined-only $so`;
    my @demangled = split /\n/, `printf '%s\\n' @mangled | c++filt`;
    my @bad;
    for my $i (0 .. $#mangled) {
        my ($m, $d) = ($mangled[$i], $demangled[$i]);
        if ($m !~ /^_Z/) {                        # C linkage
            push @bad, $d unless $words{$m} && $m !~ /^_/;
            next;
        }
        my $name = $d;
        $name =~ s/^(typeinfo name for |typeinfo for |vtable for |VTT for |guard variable for |(non-)?virtual thunk to |covariant return thunk to |construction vtable for )+//;
        # The library's specialisations of std::hash belong to it.
        $name =~ s/^std::hash<(\w+)::(.*)>::operator\(\)/$1::$2::operator/ if $name =~ /^std::hash<(\w+)::/ && $top{$1};
        if ($name =~ /^(std|__gnu_cxx|__cxxabiv1)::/ || $name =~ /\(anonymous namespace\)/) { push @bad, $d; next; }
        # Operators first (their < and > are not template brackets), then template arguments,
        # then the parameter list and the return type.
        $name =~ s/\[abi:\w+\]//g;
        $name =~ s/operator"" ?\w+/operator/g;
        $name =~ s/operator(<=>|<<=|>>=|<<|>>|<=|>=|<|>|->\*|->|\(\)|\[\]|[^\s(]+)/operator/g;
        1 while $name =~ s/<[^<>]*>//g;
        $name =~ s/\(.*$//;
        $name = (split ' ', $name)[-1] // '';
        my @parts = split /::/, $name;
        my $last = $parts[-1] // '';
        $last =~ s/^~//;
        my $ok = @parts >= 2 && $top{$parts[0]} && !grep({ $_ eq 'msg' } @parts)
                 && ($last eq 'operator' || $words{$last});
        push @bad, $d unless $ok;
    }
    if (@bad) {
        $failed = 1;
        print "$lib: ", scalar(@bad), " of ", scalar(@mangled), " exported symbols are outside the declared API:\n";
        print "  $_\n" for sort @bad;
    } else {
        print "$lib: ", scalar(@mangled), " exported symbols, all in the declared API\n";
    }
}
exit $failed;
